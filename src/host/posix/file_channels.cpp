#include "host/file_channels.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "host/file_channels_shared.h"
#include "host/path_mapping.h"

namespace qatutor {
namespace {

using channels::describe;
using channels::heldLockMessage;

// Makes a newly created file's directory entry durable too. Best effort on purpose: the file was
// created and opened, so the student's work can go on; some file systems (network shares, FUSE
// mounts) refuse to open or fsync a folder at all, and failing the record for that would lose the
// response over a step that those file systems make durable in their own way.
void syncFolder(const std::string& localPath) {
    const int dirFd = ::open(parentFolder(localPath).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd < 0) return;
    ::fsync(dirFd);
    ::close(dirFd);
}

// Cuts a file back to `size` and makes that durable, after a failed write or flush. A file that
// is already no longer than that (an earlier write's cut took this one's bytes too) is left as it
// is: cutting "back" would then lengthen it with zero bytes.
void cutBack(int fd, off_t size) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size <= size) return;
    while (::ftruncate(fd, size) != 0 && errno == EINTR) {
    }
    ::fsync(fd);
}

// Who holds the lock on the file open at `fd`, as /proc/locks tells it on Linux:
//   "an exclusive lock (flock) of process 4711 (backup)"
// or "a lock" where that cannot be told.
std::string lockHolder(int fd) {
    struct stat info {};
    std::ifstream locks("/proc/locks");
    if (::fstat(fd, &info) != 0 || !locks) return "a lock";
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(info.st_dev), minor(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    // "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF"; a waiting lock has "->" after "1:".
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, mode, access, pid, where;
        fields >> number >> type;
        if (type == "->") continue;
        fields >> mode >> access >> pid >> where;
        if (where != file) continue;
        std::string kind = access == "READ" ? "a shared lock" : "an exclusive lock";
        kind += type == "FLOCK" ? " (flock)" : type == "POSIX" ? " (fcntl)" : " (" + type + ")";
        std::ifstream command("/proc/" + pid + "/comm");
        std::string name;
        std::getline(command, name);
        return kind + " of process " + pid + (name.empty() ? "" : " (" + name + ")");
    }
    return "a lock";
}

// Holds the advisory lock on a record file while one record is appended. Another copy of the
// program writing to the same file (a double click starts two) waits for it, so a record that
// fails and is cut back never takes the other copy's record with it. A file system without
// locks still gets its records, unlocked. A lock that another program keeps longer than `wait`
// leaves `heldBy` saying whose it is, and the file unlocked.
class AppendLock {
public:
    AppendLock(int fd, std::chrono::milliseconds wait) : fd_(fd) {
        const channels::LockWait end = channels::waitForLock(
            [fd] {
                while (::flock(fd, LOCK_EX | LOCK_NB) != 0)
                    if (errno != EINTR)
                        return errno == EWOULDBLOCK ? channels::LockAttempt::heldByAnother
                                                    : channels::LockAttempt::noLocks;
                return channels::LockAttempt::locked;
            },
            wait);
        locked_ = end == channels::LockWait::locked;
        if (end == channels::LockWait::heldTooLong) heldBy_ = lockHolder(fd_);
    }
    ~AppendLock() {
        if (locked_) ::flock(fd_, LOCK_UN);
    }
    // Leaves the lock to another descriptor of the same open file, which unlocks or closes it.
    void handOver() { locked_ = false; }
    // Empty unless another program kept the file locked for the whole wait.
    const std::string& heldBy() const { return heldBy_; }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

private:
    int fd_;
    bool locked_ = false;
    std::string heldBy_;
};

bool readAll(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

// Writes the first `limit` bytes of the pieces, in order, as few writes as the system allows:
// one, unless it writes less than it was given. A write that writes nothing and reports no error
// would never end; it fails with EIO.
bool FileChannels::writeAll(int fd, std::span<const std::string_view> pieces,
                            std::size_t limit) const {
    std::vector<iovec> rest;
    for (std::string_view piece : pieces) {
        const std::size_t size = std::min(piece.size(), limit);
        if (size > 0) rest.push_back({const_cast<char*>(piece.data()), size});
        limit -= size;
    }
    std::size_t first = 0;
    while (first < rest.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(rest.size() - first, IOV_MAX));
        ssize_t n = writeCall_ ? writeCall_(fd, rest.data() + first, count)
                               : ::writev(fd, rest.data() + first, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        while (n > 0) {  // moves past what was written, piece by piece
            iovec& piece = rest[first];
            const auto done = std::min(static_cast<std::size_t>(n), piece.iov_len);
            piece.iov_base = static_cast<char*>(piece.iov_base) + done;
            piece.iov_len -= done;
            n -= static_cast<ssize_t>(done);
            if (piece.iov_len == 0) ++first;
        }
    }
    return true;
}

void FileChannels::fail(const std::string& what, const Channel& ch, int error) const {
    throw HostError(what + " " + describe(ch.displayPath, ch.localPath) + ": " +
                    std::strerror(error));
}

void FileChannels::open(int channel, const std::string& localPath, const std::string& displayPath,
                        FileMode mode) {
    channels::checkNumber(channel);
    Channel& ch = channels_[channel];
    if (ch.fd != closedFile)
        throw HostError("File channel " + std::to_string(channel) + " is already open (" +
                        ch.displayPath + ").");
    Channel opening{closedFile, mode, localPath, displayPath, {}, 0};
    const std::string what = std::string("Could not open for ") + channels::modeVerb(mode);
    if (const int error = injectedFault(FileOperation::open, localPath)) fail(what, opening, error);

    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::input: flags |= O_RDONLY; break;
    case FileMode::output: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case FileMode::append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    struct stat before {};
    const bool existed = ::stat(localPath.c_str(), &before) == 0;
    const int fd = ::open(localPath.c_str(), flags, 0644);
    if (fd < 0) fail(what, opening, errno);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        fail(what, opening, EISDIR);
    }
    if (mode == FileMode::input && !readAll(fd, opening.content)) {
        const int error = errno;
        ::close(fd);
        fail("Could not read", opening, error);
    }
    if (!existed) syncFolder(localPath);
    opening.fd = fd;
    ch = std::move(opening);
}

void FileChannels::write(int channel, std::span<const std::string_view> pieces) {
    Channel& ch = openedChannel(channel, "Write");
    if (ch.mode == FileMode::input)
        throw HostError("Write: file channel " + std::to_string(channel) +
                        " is open for reading only.");
    AppendLock lock(ch.fd, lockWait_);  // from before the size is read until after the flush
    if (!lock.heldBy().empty())
        throw HostError(
            heldLockMessage(describe(ch.displayPath, ch.localPath), lock.heldBy(), lockWait_));
    const off_t sizeBefore = ::lseek(ch.fd, 0, SEEK_END);
    if (sizeBefore < 0) fail("Could not write to", ch, errno);

    // Puts the file back as it was, so that it never keeps part of a record.
    auto rollBack = [&](int error) {
        cutBack(ch.fd, sizeBefore);
        fail("Could not write to", ch, error);
    };
    if (const int error = injectedFault(FileOperation::write, ch.localPath)) {
        writeAll(ch.fd, pieces, channels::totalSize(pieces) / 2);
        rollBack(error);
    }
    if (!writeAll(ch.fd, pieces, channels::totalSize(pieces))) rollBack(errno);
    if (flushInBackground_) {
        // The flush goes on with a descriptor of its own, which keeps the lock, so the channel
        // may close meanwhile; another writer of the file waits for the lock as before.
        const int flushFd = ::dup(ch.fd);
        if (flushFd >= 0) {
            std::shared_future<FlushOutcome> earlier;
            if (!pendingFlushes_.empty()) earlier = pendingFlushes_.back();
            try {
                if (const int error = injectedFault(FileOperation::startFlush, ch.localPath))
                    throw std::system_error(error, std::generic_category());
                pendingFlushes_.push_back(
                    std::async(std::launch::async, [flushFd, sizeBefore, earlier, hook = faultHook_,
                                                    path = ch.localPath,
                                                    what = "Could not write to " +
                                                           describe(ch.displayPath, ch.localPath)] {
                        int error = hook ? hook(FileOperation::flush, path) : 0;
                        if (error == 0 && ::fsync(flushFd) != 0) error = errno;
                        FlushOutcome outcome;
                        if (error != 0 || (earlier.valid() && earlier.get().cutBack)) {
                            cutBack(flushFd, sizeBefore);
                            outcome.cutBack = true;
                        }
                        if (error != 0) outcome.error = what + ": " + std::strerror(error);
                        ::flock(flushFd, LOCK_UN);
                        ::close(flushFd);
                        return outcome;
                    }).share());
                lock.handOver();
                return;
            } catch (const std::system_error&) {
                ::close(flushFd);  // no thread: this write flushes, and unlocks, as it would
            }
        }
    }
    if (const int error = injectedFault(FileOperation::flush, ch.localPath)) rollBack(error);
    if (::fsync(ch.fd) != 0) rollBack(errno);
}

void FileChannels::closeNative(int fd) { ::close(fd); }

}  // namespace qatutor
