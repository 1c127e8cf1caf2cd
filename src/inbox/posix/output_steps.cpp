// The inbox's outputs put in place on Linux: mkstemp and mkdtemp for the temporary file and
// folder, fsync and syncfs (Linux's own) to reach the disk, rename to put them in place, flock
// on the folder to keep runs in turn.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "inbox/inbox_error.h"
#include "inbox/output_steps.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

[[noreturn]] void fail(int error) { throw InboxError(std::strerror(error)); }

// A rename or a new name in `folder` reaches the disk with the folder; a flush that fails is
// told. A folder the inbox may write in but not read cannot be opened for it, and a file system
// that cannot flush a folder (EINVAL) has nothing to flush: the names then reach the disk when
// the system writes them, as they would without this step.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error && error != EINVAL) fail(error);
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void finish(std::FILE* file, bool onDisk) {
    int error = 0;
    // A write that failed without writeBytes left only the stream's mark, and errno belongs to
    // whatever call came after it.
    const bool writeFailed = std::ferror(file);
    if (!writeFailed && (std::fflush(file) != 0 || (onDisk && ::fsync(::fileno(file)) != 0)))
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    if (writeFailed) throw InboxError(unknownWriteFailure);
    if (error) fail(error);
}

// The rename reaches the disk with the folder that holds both names; it replaces a file in one
// step.
void renameOnDisk(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) fail(errno);
    syncFolder(to.substr(0, to.rfind('/')));
}

}  // namespace

FolderLock::~FolderLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void FolderLock::take(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(errno);
    handle_ = fd;
    // A file system without locks (ENOLCK, EOPNOTSUPP: some network shares) still gets its
    // report, unlocked, as on Windows: the report is written whole all the same, and two runs at
    // once there are only as safe as the file system allows.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return;
    if (errno == EWOULDBLOCK && waitingForAnotherRun) waitingForAnotherRun();
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// One flush of the file system for every file of the run: much quicker than one per file.
void FolderLock::syncWritten(const std::string& written) const {
    if (::syncfs(static_cast<int>(handle_)) != 0) fail(errno);
    syncFolder(written);
}

std::string makeHiddenFolder(const std::string& folder, const std::string& name) {
    std::string pattern = joinPath(folder, "." + name + ".XXXXXX");
    if (!::mkdtemp(pattern.data())) fail(errno);
    // mkdtemp keeps the folder to its owner; the outputs are as readable as any new file. Should
    // that fail, they stay readable to the instructor alone, which loses nothing.
    ::chmod(pattern.c_str(), 0777 & ~currentUmask());
    return pattern;
}

std::FILE* createOutputFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wbe");
    if (!file) fail(errno);
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// mkstemp keeps the file to its owner; the report is as readable as any new file, or, should
// that fail, readable to the instructor alone.
std::FILE* createTemporaryFile(std::string& pattern) {
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) fail(errno);
    ::fchmod(fd, 0666 & ~currentUmask());
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        fail(error);
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

// The bytes reach the disk later, with the whole run's (FolderLock::syncWritten).
void finishOutputFile(std::FILE* file) { finish(file, false); }
void finishFileOnDisk(std::FILE* file) { finish(file, true); }

void moveFolder(const std::string& from, const std::string& to) { renameOnDisk(from, to); }
void replaceFile(const std::string& from, const std::string& to) { renameOnDisk(from, to); }

}  // namespace qatutor::inbox
