// The part of a host that is the same wherever the tutor runs on Linux or macOS: file channels
// on the local file system, folder creation, and the run's random generator. The Qt host adds
// the window, dialogs and clock; the fake host for tests adds scripted ones.
#pragma once

#include <string>

#include "host/file_channels.h"
#include "host/host.h"
#include "host/random_generator.h"

namespace qatutor {

class LocalHost : public Host {
public:
    // `homeFolder` is what the drive c: stands for.
    explicit LocalHost(std::string homeFolder);

    void openFile(int channel, const std::string& path, FileMode mode) override;
    std::string readLine(int channel) override;
    bool atEnd(int channel) override;
    void write(int channel, std::string_view bytes) override;
    void write(int channel, std::span<const std::string_view> pieces) override;
    void closeFile(int channel) override;
    void closeAllFiles() override;
    bool fileExists(const std::string& path) override;
    void makeFolder(const std::string& path) override;
    void reseedRandom(float seed) override;
    float nextRandom() override;
    std::string realPath(const std::string& path) override;

    const std::string& homeFolder() const { return homeFolder_; }
    FileChannels& channels() { return channels_; }

private:
    std::string homeFolder_;
    FileChannels channels_;
    RandomGenerator random_;
};

// The user's home folder: $HOME, or the password database's entry when HOME is unset.
std::string userHomeFolder();

}  // namespace qatutor
