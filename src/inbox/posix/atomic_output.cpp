// The inbox's outputs put in place on Linux and macOS: mkstemp and mkdtemp for the temporary
// file and folder, fsync and syncfs to reach the disk, rename to put them in place, flock on the
// folder to keep runs in turn.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "inbox/atomic_output.h"

namespace qatutor::inbox {
namespace {

std::string reasonOf(int error) { return std::strerror(error); }

// A rename or a new name in `folder` reaches the disk with the folder.
void syncFolder(const std::string& folder) {
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

FolderLock::~FolderLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::string FolderLock::take(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return reasonOf(errno);
    handle_ = fd;
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    return {};
}

// One flush of the file system for every file of the run: much quicker than one per file.
std::string FolderLock::syncWritten(const std::string& written) const {
    if (::syncfs(static_cast<int>(handle_)) != 0) return reasonOf(errno);
    syncFolder(written);
    return {};
}

HiddenFolder makeHiddenFolder(const std::string& folder, const std::string& name) {
    std::string pattern = folder + "/." + name + ".XXXXXX";
    if (!::mkdtemp(pattern.data())) return {{}, reasonOf(errno)};
    // mkdtemp keeps the folder to its owner; the outputs are as readable as any new file.
    ::chmod(pattern.c_str(), 0777 & ~currentUmask());
    return {pattern, {}};
}

std::FILE* createOutputFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wbe");
    if (file) std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// mkstemp keeps the file to its owner; the report is as readable as any new file.
int createTemporaryFile(std::string& pattern) {
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) ::fchmod(fd, 0666 & ~currentUmask());
    return fd;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

namespace {

std::string finish(std::FILE* file, bool onDisk) {
    int error = 0;
    if (std::ferror(file) || std::fflush(file) != 0 || (onDisk && ::fsync(::fileno(file)) != 0))
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    return error ? reasonOf(error) : std::string();
}

}  // namespace

// The bytes reach the disk later, with the whole run's (FolderLock::syncWritten).
std::string finishOutputFile(std::FILE* file) { return finish(file, false); }
std::string finishFileOnDisk(std::FILE* file) { return finish(file, true); }

namespace {

// The rename reaches the disk with the folder that holds both names; it replaces a file in one
// step.
std::string renameOnDisk(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return reasonOf(errno);
    syncFolder(to.substr(0, to.rfind('/')));
    return {};
}

}  // namespace

std::string moveFolder(const std::string& from, const std::string& to) {
    return renameOnDisk(from, to);
}
std::string replaceFile(const std::string& from, const std::string& to) {
    return renameOnDisk(from, to);
}

}  // namespace qatutor::inbox
