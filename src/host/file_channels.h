// Numbered file channels 1 to 5 over real files, in raw bytes.
//
// This is the file half of every host, real or fake. Paths given here are already local
// (see path_mapping.h); `displayPath` is the program's own form, used in messages.
//
// A write appends its bytes with one gather write (several when the system writes less) and
// flushes them to stable storage. If any part of
// that fails, the file is cut back to its size before the write, so a file holds either the
// whole of what one call wrote or none of it. The write holds a lock on the file (flock on POSIX
// systems, LockFileEx on Windows) from before its size is read until after the flush, so that
// other copies of the program appending to the same file never lose a record to that cut. A lock
// that another program keeps longer than the lock wait (setLockWait) fails the write with a
// message naming the file and the kind of lock.
//
// posix/file_channels.cpp and win32/file_channels.cpp hold the two implementations of opening,
// writing and closing, with the same guarantees (on Windows the message on a held lock cannot say
// its kind or holder); file_channels.cpp holds what they share.
#pragma once

#include <sys/types.h>
#ifndef _WIN32
#include <sys/uio.h>
#endif

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace qatutor {

// startFlush: starting the helper thread of a flush in the background.
enum class FileOperation { open, write, flush, startFlush };

// An open file: a descriptor on POSIX systems, a HANDLE on Windows; -1 when closed, which on
// Windows is INVALID_HANDLE_VALUE.
#ifdef _WIN32
using NativeFile = std::intptr_t;
#else
using NativeFile = int;
#endif

class FileChannels {
public:
    FileChannels() = default;
    FileChannels(const FileChannels&) = delete;
    FileChannels& operator=(const FileChannels&) = delete;
    ~FileChannels();

    void open(int channel, const std::string& localPath, const std::string& displayPath,
              FileMode mode);
    std::string readLine(int channel);
    bool atEnd(int channel);
    void write(int channel, std::string_view bytes);
    // Writes the pieces in order with one writev, or as few as the system allows (more than
    // IOV_MAX pieces, or a short write, take several).
    void write(int channel, std::span<const std::string_view> pieces);
    void close(int channel);
    void closeAll();
    bool isOpen(int channel) const;
    int openCount() const;

    // While on, a write returns once its bytes are written and leaves their flush to stable
    // storage to a helper thread, so that start-up's two file headers are flushed side by side.
    // The file stays locked until the flush is done. A failed flush cuts its file back as a failed
    // write does, and so is every write made after it while it was pending, so that the files end
    // as they would had each write flushed before returning (the later writes would not have been
    // made). A helper thread that cannot start leaves the flush to the write itself.
    // waitForFlushes() waits for them all; the first failed one is a host error naming its file.
    void setFlushInBackground(bool on) { flushInBackground_ = on; }
    void waitForFlushes();

    // How long a write waits for a lock that another program holds on its file (5 seconds).
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // For fault tests: called before each open, write and flush with the local path. A non-zero
    // result is an errno value that the operation then fails with (a failing write first puts
    // half of its bytes in the file, as a full disk does).
    // For startFlush, the helper thread fails to start.
    using FaultHook = std::function<int(FileOperation, const std::string& localPath)>;
    void setFaultHook(FaultHook hook) { faultHook_ = std::move(hook); }
    // For fault tests: the system call that writes the pieces (::writev unless set), so that a
    // test can stand in for a file system that writes less than it is given, or nothing.
    // On Windows it writes one piece at the end of the file as WriteFile does, returning the
    // bytes written, or -1 with the reason in GetLastError().
#ifdef _WIN32
    using WriteCall =
        std::function<std::int64_t(NativeFile file, const char* data, std::uint32_t size)>;
#else
    using WriteCall = std::function<ssize_t(int fd, const iovec* pieces, int count)>;
#endif
    void setWriteCall(WriteCall call) { writeCall_ = std::move(call); }

private:
    static constexpr NativeFile closedFile = -1;
    static void closeNative(NativeFile file);

    struct Channel {
        NativeFile fd = closedFile;
        FileMode mode = FileMode::input;
        std::string localPath;
        std::string displayPath;
        std::string content;  // whole file, for channels open for input
        std::size_t readPos = 0;
    };

    struct FlushOutcome {
        bool cutBack = false;  // the file is back at its size before the write
        std::string error;     // why the flush failed; empty when it did not, or was cut back
    };                         // only because an earlier one failed

    Channel& openedChannel(int channel, const char* operation);
    bool writeAll(NativeFile fd, std::span<const std::string_view> pieces, std::size_t limit) const;
    int injectedFault(FileOperation operation, const std::string& localPath) const;
    [[noreturn]] void fail(const std::string& what, const Channel& ch, int error) const;

    std::array<Channel, lastChannel + 1> channels_{};
    FaultHook faultHook_;
    WriteCall writeCall_;
    std::chrono::milliseconds lockWait_{5000};
    bool flushInBackground_ = false;
    std::vector<std::shared_future<FlushOutcome>> pendingFlushes_;  // in the order written
};

}  // namespace qatutor
