// The local host on Windows: the program's paths placed by windowsPath (path_mapping.h), each
// name checked against what Windows refuses before a file opens or a folder is made, so that the
// student reads which name is wrong instead of an error that seems to blame the folder; the
// files and folders themselves through Windows' wide (UTF-16) calls.
#include "host/local_host.h"

#include <shlobj.h>

#include "host/win32/system_text.h"

namespace qatutor {

void LocalHost::openFile(int channel, const std::string& path, FileMode mode) {
    const std::string local = windowsPath(path, places_);
    checkWindowsNames(local);
    channels_.open(channel, local, pathText(path, places_.typedFolder), mode);
}

bool LocalHost::fileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(win32::wide(windowsPath(path, places_)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void LocalHost::makeFolder(const std::string& path) {
    const std::string local = windowsPath(path, places_);
    checkWindowsNames(local);
    if (!::CreateDirectoryW(win32::wide(local).c_str(), nullptr))
        throw HostError("Could not create the folder " + pathText(path, places_.typedFolder) +
                        ": " + win32::errorText(::GetLastError()));
}

std::string LocalHost::realPath(const std::string& path) { return windowsPath(path, places_); }

std::string LocalHost::takeFolderReply(std::string reply) {
    places_.typedFolder = windowsFolderReply(std::move(reply));
    return places_.typedFolder;
}

std::string userHomeFolder() {
    wchar_t* profile = nullptr;
    std::string folder;
    if (::SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile) == S_OK)
        folder = win32::utf8(profile);
    ::CoTaskMemFree(profile);
    return folder.empty() ? "." : folder;
}

}  // namespace qatutor
