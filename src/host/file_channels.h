// Numbered file channels 1 to 5 over real files, in raw bytes.
//
// This is the file half of every host, real or fake. Paths given here are local, in the form the
// host's path mapping gives them (path_mapping.h); `displayPath` is the program's own form.
// Messages name a file by its local path, where the student finds it.
//
// A write appends its bytes with one system write (more only when the system takes less than it
// was given, or a text over 1 GiB on Windows) and flushes them to stable storage. If any part of
// that fails, the file is cut back to its size before the write, so that it holds either the
// whole of what one call wrote or none of it; a cut that fails is a PartlyWrittenError. While the
// bytes go in, a mark beside the file (".masterFile_Ann_Lee.txt.unfinished", hidden on Windows)
// holds the sizes before and after, so that when the program is ended in the middle of a write
// (killed, a crash, a log-off), the next write to the file cuts the unfinished record back out
// before it appends. The mark is not flushed: it covers a program that stops, not a computer that
// does.
//
// The write holds the writers' lock on the file (system_files.h) from before its size is read
// until after the flush, so that other copies of the program appending to the same file never
// lose a record to that cut. A lock that another program keeps longer than the wait (setLockWait),
// or a file that another program keeps open without letting others write to it, fails the write
// or the open with a FileBusyError naming the file.
//
// All of this is written once, here, over the system's few calls (system_files.h).
#pragma once

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
#include "host/system_files.h"

namespace qatutor {

// startFlush: starting the helper thread of a flush in the background; cutBack: cutting a failed
// write's bytes back out.
enum class FileOperation { open, write, flush, startFlush, cutBack };

class FileChannels {
public:
    // `files`: the system's calls; tests give a table that forwards to the real one and fails
    // where they choose.
    explicit FileChannels(SystemFiles& files = systemFiles()) : files_(files) {}
    FileChannels(const FileChannels&) = delete;
    FileChannels& operator=(const FileChannels&) = delete;
    ~FileChannels();

    void open(int channel, const std::string& localPath, const std::string& displayPath,
              FileMode mode);
    std::string readLine(int channel);
    bool atEnd(int channel);
    void write(int channel, std::string_view bytes);
    // Writes the pieces in order as one text: one gather write when the system takes that many
    // pieces at once, else one write of the pieces joined.
    void write(int channel, std::span<const std::string_view> pieces);
    void close(int channel);
    void closeAll();
    bool isOpen(int channel) const;
    int openCount() const;

    // While on, a write returns once its bytes are written and leaves their flush to stable
    // storage to a helper thread, so that start-up's two file headers are flushed side by side.
    // The file stays locked until the flush is done (a second write to it waits). A failed flush
    // cuts its file back as a failed write does, and so is every write made after it while it was
    // pending, so that the files end as they would had each write flushed before returning (the
    // later writes would not have been made). A helper thread that cannot start leaves the flush
    // to the write itself. waitForFlushes() waits for them all; every failed one is told in one
    // host error naming its file, a PartlyWrittenError when a cut back failed.
    void setFlushInBackground(bool on) { flushInBackground_ = on; }
    void waitForFlushes();

    // Cuts out of every record file in `localFolder` the unfinished record that its mark says a
    // program ended in the middle of writing, so that a file no later run writes to (the send
    // file of an earlier day) is whole too. A file that another writer holds is let be: that
    // writer's next write does it. A part that cannot be cut out is a host error naming the file.
    // Returns the files a part was cut out of.
    std::vector<std::string> cutOutUnfinishedRecordsIn(const std::string& localFolder);

    // How long a write waits for a lock that another program holds on its file, and an open for
    // a file that another program keeps to itself (5 seconds).
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // How a flush in the background ended.
    struct FlushOutcome {
        bool cutBack = false;   // the write was to be cut back out: it, or an earlier one, failed
        bool partLeft = false;  // ... and the cut failed, so the file may end with part of it
        std::string error;      // what to tell; empty when nothing went wrong, or the write was
    };                          // cut back out only because an earlier one failed

    // For fault tests: called before each open, write, flush, start of a background flush and cut
    // back (of a failed write, or of an unfinished record), with the local path. A non-zero result is an errno value that the operation then fails
    // with, told in the C library's words on every system (a failing write first puts half of its
    // bytes in the file, as a full disk does; for startFlush the helper thread fails to start).
    using FaultHook = std::function<int(FileOperation, const std::string& localPath)>;
    void setFaultHook(FaultHook hook) { faultHook_ = std::move(hook); }

private:
    struct Channel {
        SystemFile file = noFile;
        FileMode mode = FileMode::input;
        std::string localPath;
        std::string displayPath;
        std::string content;  // whole file, for channels open for input
        std::size_t readPos = 0;
    };

    struct PendingFlush {
        std::string localPath;
        std::shared_future<FlushOutcome> outcome;
    };

    Channel& openedChannel(int channel, const char* operation);
    SystemFiles::Opened openWhenFree(const Channel& opening);
    bool cutOutUnfinishedRecord(const Channel& ch, std::int64_t& size);
    std::string appendAll(SystemFile file, std::span<const std::string_view> pieces,
                          std::size_t limit);
    [[noreturn]] void rollBack(const Channel& ch, std::int64_t size, bool locked,
                               const std::string& reason);
    bool flushInBackground(const Channel& ch, std::int64_t sizeBefore, bool locked);
    std::string injectedFault(FileOperation operation, const std::string& localPath) const;

    SystemFiles& files_;
    std::array<Channel, lastChannel + 1> channels_{};
    FaultHook faultHook_;
    std::chrono::milliseconds lockWait_{5000};
    bool flushInBackground_ = false;
    std::vector<PendingFlush> pendingFlushes_;  // in the order written
};

}  // namespace qatutor
