// The file channels on Windows. A record goes to the end of its file through a handle opened with
// CreateFileW, under a lock that every copy of the program takes (LockFileEx), is flushed with
// FlushFileBuffers, and a record that fails is cut back to the file's size before it.
#include "host/file_channels.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "host/file_channels_shared.h"
#include "host/win32/system_text.h"

namespace qatutor {
namespace {

using channels::describe;
using channels::heldLockMessage;

HANDLE handleOf(NativeFile file) { return reinterpret_cast<HANDLE>(file); }
NativeFile nativeOf(HANDLE handle) { return reinterpret_cast<NativeFile>(handle); }

// The error of a failed call: an errno value when there is one for it, else Windows' own code
// made negative, so that both fit the one int that the fault hook also gives.
int lastError() {
    const DWORD error = ::GetLastError();
    const int posix = win32::errnoOf(error);
    return posix != 0 ? posix : -static_cast<int>(error);
}

std::string errorText(int error) {
    return error >= 0 ? std::strerror(error) : win32::errorText(static_cast<DWORD>(-error));
}

// Windows' byte-range locks are mandatory: a locked range can be neither read nor written through
// another handle. The lock that keeps writers in turn therefore covers one byte far past the end
// of any record file, so that it holds up only the writers that ask for it, and never a reader
// such as the instructor's inbox or an editor.
constexpr DWORD lockOffsetHigh = 0x40000000;  // byte 2^62

// Holds the lock on a record file while one record is appended. Another copy of the program
// writing to the same file (a double click starts two) waits for it, so a record that fails and
// is cut back never takes the other copy's record with it. A file system without locks still
// gets its records, unlocked. A lock that another program keeps longer than `wait` leaves
// heldByAnother() true, and the file unlocked.
class AppendLock {
public:
    AppendLock(HANDLE file, std::chrono::milliseconds wait) : file_(file) {
        const channels::LockWait end = channels::waitForLock(
            [file] {
                OVERLAPPED at{};
                at.OffsetHigh = lockOffsetHigh;
                if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                                 &at))
                    return channels::LockAttempt::locked;
                const DWORD error = ::GetLastError();
                return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
                           ? channels::LockAttempt::heldByAnother
                           : channels::LockAttempt::noLocks;
            },
            wait);
        locked_ = end == channels::LockWait::locked;
        heldByAnother_ = end == channels::LockWait::heldTooLong;
    }
    ~AppendLock() {
        if (locked_) unlock(file_);
    }
    static void unlock(HANDLE file) {
        OVERLAPPED at{};
        at.OffsetHigh = lockOffsetHigh;
        ::UnlockFileEx(file, 0, 1, 0, &at);
    }
    // Leaves the lock to another handle of the same open file, which unlocks or closes it.
    void handOver() { locked_ = false; }
    // True when another program kept the file locked for the whole wait.
    bool heldByAnother() const { return heldByAnother_; }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

private:
    HANDLE file_;
    bool locked_ = false;
    bool heldByAnother_ = false;
};

// Writes `size` bytes at the end of the file, wherever it is: both halves of the offset all ones.
std::int64_t writeAtEnd(NativeFile file, const char* data, std::uint32_t size) {
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    if (!::WriteFile(handleOf(file), data, size, &written, &atEnd)) return -1;
    return written;
}

// Puts the file back to `size` bytes, so that it never keeps part of a record. A file that is
// already no longer than that (an earlier write's cut took this one's bytes too) is left as it
// is: cutting "back" would then lengthen it with zero bytes.
void cutBack(HANDLE file, LONGLONG size) {
    LARGE_INTEGER now{};
    if (::GetFileSizeEx(file, &now) && now.QuadPart <= size) return;
    LARGE_INTEGER at{};
    at.QuadPart = size;
    if (::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
    ::FlushFileBuffers(file);
}

bool readAll(HANDLE file, std::string& out) {
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) return true;
        out.append(buffer, got);
    }
}

}  // namespace

// Writes the first `limit` bytes of the pieces, in order, each at the end of the file. A write
// that writes nothing and reports no error would never end; it fails as a write fault.
bool FileChannels::writeAll(NativeFile file, std::span<const std::string_view> pieces,
                            std::size_t limit) const {
    for (std::string_view piece : pieces) {
        std::size_t left = std::min(piece.size(), limit);
        limit -= left;
        const char* data = piece.data();
        while (left > 0) {
            const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(left, 1u << 30));
            const std::int64_t written =
                writeCall_ ? writeCall_(file, data, chunk) : writeAtEnd(file, data, chunk);
            if (written < 0) return false;
            if (written == 0) {
                ::SetLastError(ERROR_WRITE_FAULT);
                return false;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    return true;
}

void FileChannels::fail(const std::string& what, const Channel& ch, int error) const {
    throw HostError(what + " " + describe(ch.displayPath, ch.localPath) + ": " + errorText(error));
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

    const std::wstring name = win32::wide(localPath);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        fail(what, opening, EISDIR);
    // Other copies of the program, and readers, may have the file open at the same time.
    const DWORD access = mode == FileMode::input ? GENERIC_READ : GENERIC_WRITE;
    const DWORD disposition = mode == FileMode::input    ? OPEN_EXISTING
                              : mode == FileMode::output ? CREATE_ALWAYS
                                                         : OPEN_ALWAYS;
    const HANDLE file =
        ::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(what, opening, lastError());
    if (mode == FileMode::input && !readAll(file, opening.content)) {
        const int error = lastError();
        ::CloseHandle(file);
        fail("Could not read", opening, error);
    }
    opening.fd = nativeOf(file);
    ch = std::move(opening);
}

void FileChannels::write(int channel, std::span<const std::string_view> pieces) {
    Channel& ch = openedChannel(channel, "Write");
    if (ch.mode == FileMode::input)
        throw HostError("Write: file channel " + std::to_string(channel) +
                        " is open for reading only.");
    const HANDLE file = handleOf(ch.fd);
    AppendLock lock(file, lockWait_);  // from before the size is read until after the flush
    if (lock.heldByAnother())
        throw HostError(
            heldLockMessage(describe(ch.displayPath, ch.localPath), "a lock", lockWait_));
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) fail("Could not write to", ch, lastError());
    const LONGLONG sizeBefore = size.QuadPart;

    auto rollBack = [&](int error) {
        cutBack(file, sizeBefore);
        fail("Could not write to", ch, error);
    };
    const std::size_t total = channels::totalSize(pieces);
    if (const int error = injectedFault(FileOperation::write, ch.localPath)) {
        writeAll(ch.fd, pieces, total / 2);
        rollBack(error);
    }
    if (!writeAll(ch.fd, pieces, total)) rollBack(lastError());
    if (flushInBackground_) {
        // The flush goes on with a handle of its own, which keeps the file and its lock, so the
        // channel may close meanwhile; another writer of the file waits for the lock as before.
        HANDLE flushFile = nullptr;
        const HANDLE process = ::GetCurrentProcess();
        if (::DuplicateHandle(process, file, process, &flushFile, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            std::shared_future<FlushOutcome> earlier;
            if (!pendingFlushes_.empty()) earlier = pendingFlushes_.back();
            try {
                if (const int error = injectedFault(FileOperation::startFlush, ch.localPath))
                    throw std::system_error(error, std::generic_category());
                pendingFlushes_.push_back(
                    std::async(std::launch::async, [flushFile, sizeBefore, earlier,
                                                    hook = faultHook_, path = ch.localPath,
                                                    what = "Could not write to " +
                                                           describe(ch.displayPath, ch.localPath)] {
                        int error = hook ? hook(FileOperation::flush, path) : 0;
                        if (error == 0 && !::FlushFileBuffers(flushFile)) error = lastError();
                        FlushOutcome outcome;
                        if (error != 0 || (earlier.valid() && earlier.get().cutBack)) {
                            cutBack(flushFile, sizeBefore);
                            outcome.cutBack = true;
                        }
                        if (error != 0) outcome.error = what + ": " + errorText(error);
                        AppendLock::unlock(flushFile);
                        ::CloseHandle(flushFile);
                        return outcome;
                    }).share());
                lock.handOver();
                return;
            } catch (const std::system_error&) {
                ::CloseHandle(
                    flushFile);  // no thread: this write flushes, and unlocks, as it would
            }
        }
    }
    if (const int error = injectedFault(FileOperation::flush, ch.localPath)) rollBack(error);
    if (!::FlushFileBuffers(file)) rollBack(lastError());
}

void FileChannels::closeNative(NativeFile file) { ::CloseHandle(handleOf(file)); }

}  // namespace qatutor
