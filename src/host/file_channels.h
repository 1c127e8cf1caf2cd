// Numbered file channels 1 to 5 over real files, in raw bytes.
//
// This is the file half of every host, real or fake. Paths given here are already local
// (see path_mapping.h); `displayPath` is the program's own form, used in messages.
//
// A write appends its bytes with one write and flushes them to stable storage. If any part of
// that fails, the file is cut back to its size before the write, so a file holds either the
// whole of what one call wrote or none of it. The write holds a lock on the file (flock on POSIX
// systems, LockFileEx on Windows) from before its size is read until after the flush, so that
// other copies of the program appending to the same file never lose a record to that cut.
//
// posix/file_channels.cpp and win32/file_channels.cpp hold the two implementations.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace qatutor {

enum class FileOperation { open, write, flush };

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
    // Writes the pieces in order with one write (writev).
    void write(int channel, std::span<const std::string_view> pieces);
    void close(int channel);
    void closeAll();
    bool isOpen(int channel) const;
    int openCount() const;

    // While on, a write returns once its bytes are written and leaves their flush to stable
    // storage to a helper thread, so that start-up can show the window meanwhile. The file stays
    // locked until the flush is done, and a failed flush cuts the file back as a failed write
    // does. waitForFlushes() waits for them all; a failed one is a host error naming its file.
    void setFlushInBackground(bool on) { flushInBackground_ = on; }
    void waitForFlushes();

    // For fault tests: called before each open, write and flush with the local path. A non-zero
    // result is an errno value that the operation then fails with (a failing write first puts
    // half of its bytes in the file, as a full disk does).
    using FaultHook = std::function<int(FileOperation, const std::string& localPath)>;
    void setFaultHook(FaultHook hook) { faultHook_ = std::move(hook); }

private:
    struct Channel {
        NativeFile fd = -1;
        FileMode mode = FileMode::input;
        std::string localPath;
        std::string displayPath;
        std::string content;  // whole file, for channels open for input
        std::size_t readPos = 0;
    };

    Channel& openChannel(int channel, const char* operation);
    int injectedFault(FileOperation operation, const std::string& localPath) const;
    [[noreturn]] void fail(const std::string& what, const Channel& ch, int error) const;

    std::array<Channel, lastChannel + 1> channels_{};
    FaultHook faultHook_;
    bool flushInBackground_ = false;
    std::vector<std::future<std::string>> pendingFlushes_;  // each: its error, or empty
};

}  // namespace qatutor
