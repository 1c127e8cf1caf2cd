// The inbox's paths and reading on Linux: a path is the file system's own bytes, whatever they
// encode.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "inbox/inbox_error.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

[[noreturn]] void fail() { throw InboxError(std::strerror(errno)); }

}  // namespace

const char pathSeparator = '/';

std::filesystem::path pathOf(const std::string& text) { return text; }
std::string textOf(const std::filesystem::path& path) { return path.string(); }

std::string joinPath(const std::string& folder, std::string_view name) {
    const bool ended = !folder.empty() && folder.back() == '/';
    return folder + (ended ? "" : "/") + std::string(name);
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void checkFound(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) fail();
}

OpenFile::OpenFile(const std::string& path)
    : descriptor_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    if (descriptor_ < 0) fail();
}

OpenFile::~OpenFile() { ::close(descriptor_); }

OpenFacts OpenFile::facts() const {
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0) fail();
    const OpenKind kind = S_ISDIR(info.st_mode)   ? OpenKind::folder
                          : S_ISREG(info.st_mode) ? OpenKind::regularFile
                                                  : OpenKind::other;
    return {kind, static_cast<std::uint64_t>(info.st_size)};
}

std::size_t OpenFile::read(char* into, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(descriptor_, into, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) fail();
    }
}

void OpenFile::seek(std::uint64_t at) {
    if (::lseek(descriptor_, static_cast<off_t>(at), SEEK_SET) < 0) fail();
}

}  // namespace qatutor::inbox
