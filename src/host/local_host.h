// The part of a host that is the same wherever the tutor runs: file channels on the local file
// system, folder creation, and the run's random generator. The Qt host adds the window, dialogs
// and clock; the fake host for tests adds scripted ones. local_host.cpp holds what is the same on
// every system; posix/local_host.cpp and win32/local_host.cpp place the program's paths by the
// rules of path_mapping.h and make folders with each system's calls.
#pragma once

#include <string>

#include "host/file_channels.h"
#include "host/host.h"
#include "host/path_mapping.h"
#include "host/random_generator.h"

namespace qatutor {

class LocalHost : public Host {
public:
    // `homeFolder` is where "~" and a relative folder lie. The drive c: stands for `driveFolder`,
    // or when that is empty for the home folder on Linux and macOS and the real drive c: on
    // Windows (tests give a temporary folder, so that nothing lands on the real drive).
    explicit LocalHost(std::string homeFolder, std::string driveFolder = {});

    // The folder reply of prompt, taken as this host spells paths (see takeFolderReply).
    std::string promptFolder(const std::string& text) override;

    void openFile(int channel, const std::string& path, FileMode mode) override;
    std::string readLine(int channel) override;
    bool atEnd(int channel) override;
    void write(int channel, std::string_view bytes) override;
    void write(int channel, std::span<const std::string_view> pieces) override;
    void closeFile(int channel) override;
    void closeAllFiles() override;
    bool fileExists(const std::string& path) override;
    void makeFolder(const std::string& path) override;
    std::vector<std::string> cutOutUnfinishedRecords(const std::string& folder) override;
    void reseedRandom(float seed) override;
    float nextRandom() override;
    std::string realPath(const std::string& path) override;

    const std::string& homeFolder() const { return places_.homeFolder; }
    FileChannels& channels() { return channels_; }

protected:
    // A folder reply as typed, in UTF-8, becomes the folder this host hands to the core: on
    // Windows a reply wholly inside double quotes loses them. The folder is remembered, so that a
    // program path beginning with it keeps that part as typed (see pathText).
    std::string takeFolderReply(std::string reply);

private:
    PathPlaces places_;
    FileChannels channels_;
    RandomGenerator random_;
};

// The user's home folder: $HOME, or the password database's entry when HOME is unset; on
// Windows the user's profile folder.
std::string userHomeFolder();

}  // namespace qatutor
