#include "host/path_mapping.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "base/cp1252.h"
#include "host/host.h"

namespace qatutor {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool hasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

bool isWindowsSeparator(char c) { return c == '\\' || c == '/'; }

// "~" or "." alone or before a separator.
bool startsWithPlace(const std::string& path, char place) {
    return !path.empty() && path.front() == place &&
           (path.size() == 1 || isWindowsSeparator(path[1]));
}

// Whether `path` is `folder` or lies in it, letters compared as Windows does, in either case.
bool isInside(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size() ||
        (path.size() > folder.size() && !isWindowsSeparator(path[folder.size()])))
        return false;
    return std::equal(folder.begin(), folder.end(), path.begin(),
                      [](char a, char b) { return lower(a) == lower(b); });
}

// A Windows path without its place: c:math, .\math, ~\math, \math and math all become
// `profile`\math.
std::string inProfileFolder(std::string rest, const std::string& profile) {
    if (hasDrive(rest))
        rest.erase(0, 2);
    else if (startsWithPlace(rest, '~') || startsWithPlace(rest, '.'))
        rest.erase(0, 1);
    const std::size_t start = rest.find_first_not_of("\\/");
    if (start == std::string::npos) return profile;
    return profile + '\\' + rest.substr(start);
}

// Windows' limits for a program that does not declare itself aware of long paths: a name of up
// to 255 UTF-16 units, a whole path under MAX_PATH (260) of them.
constexpr std::size_t windowsNameLimit = 255;
constexpr std::size_t windowsPathLimit = 260;

// The UTF-16 units of a UTF-8 text: one for each character, two for one outside the Basic
// Multilingual Plane (four bytes in UTF-8).
std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

// Device names that Windows keeps in every folder: CON, or con.txt, is the console, not a file.
bool isDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

void checkWindowsName(const std::string& name) {
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
    if (const std::size_t length = utf16Length(name); length > windowsNameLimit)
        throw NameTooLongError("The name " + name +
                               " is too long for the file system: " + std::to_string(length) +
                               " characters, at most " + std::to_string(windowsNameLimit) + ".");
}

}  // namespace

std::string pathText(const std::string& programPath, const std::string& typedFolder) {
    const std::size_t typed = typedFolder.size();
    if (typed > 0 && programPath.starts_with(typedFolder) &&
        (programPath.size() == typed || programPath[typed] == '\\'))
        return typedFolder + cp1252::toUtf8(std::string_view(programPath).substr(typed));
    return cp1252::toUtf8(programPath);
}

std::string localPath(const std::string& programPath, const PathPlaces& places) {
    const std::string path = pathText(programPath, places.typedFolder);
    const bool drive = hasDrive(path);
    if (drive && lower(path[0]) != 'c')
        throw HostError("The drive " + path.substr(0, 2) +
                        " does not exist on this computer (path " + path +
                        "). Only c: is available; it stands for your home folder.");
    std::string rest = drive ? path.substr(2) : path;
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if (!drive) {
        if (!rest.empty() && rest.front() == '/') return rest;
        // "~" alone or before a separator is the home folder; any other folder that does not
        // start at the root is taken inside the home folder, never the working directory that
        // whoever started the program happened to leave.
        if (rest == "~" || rest.starts_with("~/")) rest.erase(0, 1);
    }
    if (rest.empty() || rest.front() != '/') rest.insert(rest.begin(), '/');
    const bool onDrive = drive && !places.driveFolder.empty();
    return (onDrive ? places.driveFolder : places.homeFolder) + rest;
}

std::string localPath(const std::string& programPath, const std::string& homeFolder) {
    return localPath(programPath, PathPlaces{homeFolder, {}, {}});
}

std::string parentFolder(const std::string& localPath) {
    const auto slash = localPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return localPath.substr(0, slash);
}

std::string windowsPath(const std::string& programPath, const PathPlaces& places) {
    const std::string path = pathText(programPath, places.typedFolder);
    if (hasDrive(path) && path.size() > 2 && isWindowsSeparator(path[2])) {
        if (places.driveFolder.empty() || lower(path[0]) != 'c' ||
            isInside(path, places.driveFolder))
            return path;
        return places.driveFolder + path.substr(2);
    }
    if (path.size() >= 2 && isWindowsSeparator(path[0]) && isWindowsSeparator(path[1]))
        return path;  // \\server\share
    return inProfileFolder(path, places.homeFolder);
}

std::string windowsFolderReply(std::string reply) {
    // Blanks before or after a pasted folder: no Windows name begins or ends with one.
    const std::size_t first = reply.find_first_not_of(" \t");
    reply = first == std::string::npos
                ? std::string()
                : reply.substr(first, reply.find_last_not_of(" \t") - first + 1);
    if (reply.size() >= 2 && reply.front() == '"' && reply.back() == '"' &&
        reply.find('"', 1) == reply.size() - 1)
        return reply.substr(1, reply.size() - 2);
    return reply;
}

void checkWindowsNames(const std::string& local) {
    std::size_t start = hasDrive(local) ? 2 : 0;
    while (start < local.size()) {
        std::size_t end = start;
        while (end < local.size() && !isWindowsSeparator(local[end])) ++end;
        const std::string name = local.substr(start, end - start);
        start = end + 1;
        if (!name.empty() && name != "." && name != "..") checkWindowsName(name);
    }
    if (const std::size_t length = utf16Length(local); length >= windowsPathLimit)
        throw NameTooLongError(
            "The path " + local + " is too long for the file system: " + std::to_string(length) +
            " characters; it must stay under " + std::to_string(windowsPathLimit) + ".");
}

}  // namespace qatutor
