#include "host/local_host.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/path_mapping.h"

namespace qatutor {

namespace {

// Says which name of `local` is longer than its file system allows, before the file system
// answers with an error that seems to blame the folder. The limit is the one of the folder that
// holds the file (NAME_MAX when that folder cannot tell).
void checkNameLengths(const std::string& local, const std::string& shownPath) {
    const long asked = ::pathconf(parentFolder(local).c_str(), _PC_NAME_MAX);
    const std::size_t limit = asked > 0 ? static_cast<std::size_t>(asked) : NAME_MAX;
    std::size_t start = 0;
    while (start <= local.size()) {
        std::size_t end = local.find('/', start);
        if (end == std::string::npos) end = local.size();
        if (end - start > limit)
            throw NameTooLongError(
                "The name " + local.substr(start, end - start) +
                " is too long for the file system: " + std::to_string(end - start) +
                " bytes, at most " + std::to_string(limit) + ".");
        start = end + 1;
    }
    if (local.size() >= PATH_MAX)
        throw NameTooLongError("The path " + shownPath +
                               " is too long for the file system: " + std::to_string(local.size()) +
                               " bytes; it must stay under " + std::to_string(PATH_MAX) + ".");
}

}  // namespace

void LocalHost::openFile(int channel, const std::string& path, FileMode mode) {
    const std::string local = localPath(path, places_);
    const std::string shown = pathText(path, places_.typedFolder);
    checkNameLengths(local, shown);
    channels_.open(channel, local, shown, mode);
}

bool LocalHost::fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(localPath(path, places_).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void LocalHost::makeFolder(const std::string& path) {
    const std::string local = localPath(path, places_);
    if (::mkdir(local.c_str(), 0755) != 0)
        throw HostError("Could not create the folder " + pathText(path, places_.typedFolder) +
                        ": " + std::strerror(errno));
}

std::string LocalHost::realPath(const std::string& path) { return localPath(path, places_); }

std::string LocalHost::takeFolderReply(std::string reply) {
    places_.typedFolder = std::move(reply);
    return places_.typedFolder;
}

std::string userHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

}  // namespace qatutor
