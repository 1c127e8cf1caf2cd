#include "host/local_host.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/cp1252.h"
#include "host/path_mapping.h"

namespace qatutor {

LocalHost::LocalHost(std::string homeFolder) : homeFolder_(std::move(homeFolder)) {}

void LocalHost::openFile(int channel, const std::string& path, FileMode mode) {
    channels_.open(channel, localPath(path, homeFolder_), cp1252::toUtf8(path), mode);
}

std::string LocalHost::readLine(int channel) { return channels_.readLine(channel); }
bool LocalHost::atEnd(int channel) { return channels_.atEnd(channel); }
void LocalHost::write(int channel, std::string_view bytes) { channels_.write(channel, bytes); }
void LocalHost::write(int channel, std::span<const std::string_view> pieces) {
    channels_.write(channel, pieces);
}
void LocalHost::closeFile(int channel) { channels_.close(channel); }
void LocalHost::closeAllFiles() { channels_.closeAll(); }

bool LocalHost::fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(localPath(path, homeFolder_).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void LocalHost::makeFolder(const std::string& path) {
    const std::string local = localPath(path, homeFolder_);
    if (::mkdir(local.c_str(), 0755) != 0)
        throw HostError("Could not create the folder " + cp1252::toUtf8(path) + ": " +
                        std::strerror(errno));
}

void LocalHost::reseedRandom(float seed) { random_.reseed(seed); }
float LocalHost::nextRandom() { return random_.next(); }

std::string userHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

}  // namespace qatutor
