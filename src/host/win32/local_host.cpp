// The local host on Windows. The program's paths are Windows paths already: c:\kavrodel and a
// typed folder are used as they are; "~" and a folder without a drive lie in the user's profile
// folder. Before a file opens, each name of its path is checked against what Windows refuses, so
// that the student reads which name is wrong instead of an error that seems to blame the folder.
#include "host/local_host.h"

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/cp1252.h"
#include "host/win32/system_text.h"

namespace qatutor {

namespace {

// Windows' limits for a program that does not declare itself aware of long paths: a name of up
// to 255 UTF-16 units, a whole path under MAX_PATH (260) of them.
constexpr std::size_t nameLimit = 255;
constexpr std::size_t pathLimit = MAX_PATH;

bool hasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Device names that Windows keeps in every folder: CON, or con.txt, is the console, not a file.
bool isDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

std::size_t utf16Length(const std::string& utf8) { return win32::wide(utf8).size(); }

// Throws the clear message for the first name of `local` (UTF-8) that Windows would refuse or
// change, and for a path longer than Windows allows.
void checkNames(const std::string& local) {
    std::size_t start = hasDrive(local) ? 2 : 0;
    while (start < local.size()) {
        std::size_t end = start;
        while (end < local.size() && !isSeparator(local[end])) ++end;
        const std::string name = local.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == "." || name == "..") continue;
        for (char c : name) {
            if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c))
                throw HostError("The name " + name + " holds a character that Windows does not " +
                                "allow in the names of files and folders (< > : \" / \\ | ? * " +
                                "and control characters).");
        }
        if (isDeviceName(name))
            throw HostError("The name " + name + " is kept by Windows for a device (CON, PRN, " +
                            "AUX, NUL, COM1 to COM9, LPT1 to LPT9) and cannot name a file or " +
                            "folder.");
        if (name.back() == '.' || name.back() == ' ')
            throw HostError("The name " + name + " ends in a dot or a blank, which Windows " +
                            "drops from the names of files and folders.");
        if (const std::size_t length = utf16Length(name); length > nameLimit)
            throw NameTooLongError("The name " + name +
                                   " is too long for the file system: " + std::to_string(length) +
                                   " characters, at most " + std::to_string(nameLimit) + ".");
    }
    if (const std::size_t length = utf16Length(local); length >= pathLimit)
        throw NameTooLongError(
            "The path " + local + " is too long for the file system: " + std::to_string(length) +
            " characters; it must stay under " + std::to_string(pathLimit) + ".");
}

bool isInside(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size() ||
        (path.size() > folder.size() && !isSeparator(path[folder.size()])))
        return false;
    return std::equal(folder.begin(), folder.end(), path.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

// Where a path of the program's own lies, as UTF-8: c:\ on `driveFolder` when one is given (a
// path inside that folder already stays as it is).
std::string windowsPath(const std::string& programPath, const std::string& homeFolder,
                        const std::string& driveFolder) {
    std::string path = cp1252::toUtf8(programPath);
    if (hasDrive(path)) {
        if (driveFolder.empty() || std::tolower(static_cast<unsigned char>(path[0])) != 'c' ||
            isInside(path, driveFolder))
            return path;
        std::string rest = path.substr(2);
        if (rest.empty() || !isSeparator(rest.front())) rest.insert(rest.begin(), '\\');
        return driveFolder + rest;
    }
    if (!path.empty() && isSeparator(path.front())) return path;  // \folder, \\server\share
    if (path == "~" || path.starts_with("~\\") || path.starts_with("~/")) path.erase(0, 1);
    if (path.empty() || !isSeparator(path.front())) path.insert(path.begin(), '\\');
    return homeFolder + path;
}

}  // namespace

LocalHost::LocalHost(std::string homeFolder, std::string driveFolder)
    : homeFolder_(std::move(homeFolder)), driveFolder_(std::move(driveFolder)) {}

void LocalHost::openFile(int channel, const std::string& path, FileMode mode) {
    const std::string local = windowsPath(path, homeFolder_, driveFolder_);
    checkNames(local);
    channels_.open(channel, local, cp1252::toUtf8(path), mode);
}

bool LocalHost::fileExists(const std::string& path) {
    const DWORD attributes =
        ::GetFileAttributesW(win32::wide(windowsPath(path, homeFolder_, driveFolder_)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void LocalHost::makeFolder(const std::string& path) {
    const std::string local = windowsPath(path, homeFolder_, driveFolder_);
    checkNames(local);
    if (!::CreateDirectoryW(win32::wide(local).c_str(), nullptr))
        throw HostError("Could not create the folder " + cp1252::toUtf8(path) + ": " +
                        win32::errorText(::GetLastError()));
}

std::string LocalHost::realPath(const std::string& path) {
    return windowsPath(path, homeFolder_, driveFolder_);
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
