// The part of a host that is the same wherever the tutor runs: file channels on the local file
// system, folder creation, and the run's random generator. The Qt host adds the window, dialogs
// and clock; the fake host for tests adds scripted ones. local_host.cpp holds what is the same on
// every system; posix/local_host.cpp maps the program's paths onto Linux or macOS,
// win32/local_host.cpp uses them as Windows does.
#pragma once

#include <string>

#include "host/file_channels.h"
#include "host/host.h"
#include "host/random_generator.h"

namespace qatutor {

class LocalHost : public Host {
public:
    // `homeFolder` is what the drive c: stands for; on Windows it is where "~" and a folder
    // without a drive lie, and c: is the real drive c:.
    explicit LocalHost(std::string homeFolder);
#ifdef _WIN32
    // On Windows, for tests: the drive c: stands for `driveFolder` instead.
    LocalHost(std::string homeFolder, std::string driveFolder);
#endif

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
#ifdef _WIN32
    std::string driveFolder_;
#endif
    FileChannels channels_;
    RandomGenerator random_;
};

// The user's home folder: $HOME, or the password database's entry when HOME is unset; on
// Windows the user's profile folder.
std::string userHomeFolder();

}  // namespace qatutor
