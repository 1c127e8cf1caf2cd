// The few calls of the file system that the file channels are made of, one table per system:
// posix/system_files.cpp makes them with POSIX calls, win32/system_files.cpp with the Windows API,
// and each does nothing else. What opening, appending, flushing, cutting back and waiting for a
// lock mean is written once, above them, in file_channels.cpp.
//
// Paths are local and UTF-8 (path_mapping.h makes them from the program's own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace qatutor {

// An open file: a descriptor on POSIX systems, a HANDLE on Windows.
using SystemFile = std::intptr_t;
inline constexpr SystemFile noFile = -1;  // also Windows' INVALID_HANDLE_VALUE

// Why a call failed, in the system's own code: errno on POSIX systems, GetLastError() on Windows.
struct SystemError {
    int code = 0;  // 0: the call did not fail
    // Another program has the file open and lets no one else write to it (Windows' sharing
    // violation: a word processor or spreadsheet that has the file open, a backup tool).
    bool inUse = false;
    explicit operator bool() const { return code != 0; }
};

// One attempt at the lock that keeps the writers of a record file in turn.
enum class LockAttempt { locked, heldByAnother, noLocks };

class SystemFiles {
public:
    virtual ~SystemFiles() = default;

    // Whether `path` names a folder.
    virtual bool isFolder(const std::string& path) = 0;
    // Opens `path` for reading (input), emptied or created (output) or created if missing
    // (append), shared with every other reader and writer; every write goes to the file's end. `hidden`: a file it creates is hidden
    // where the system has such a mark (names starting with a dot are hidden already on POSIX
    // systems). `created` says whether the file was made by this call.
    struct Opened {
        SystemFile file = noFile;
        bool created = false;
        SystemError error;
    };
    virtual Opened open(const std::string& path, FileMode mode, bool hidden) = 0;
    // The whole of a file opened for reading, from its start.
    virtual SystemError readAll(SystemFile file, std::string& out) = 0;
    virtual SystemError size(SystemFile file, std::int64_t& size) = 0;
    // Appends the pieces, in order, with one system call (at most gatherLimit() pieces);
    // `written` says how many bytes it took, which may be fewer than it was given.
    virtual SystemError append(SystemFile file, std::span<const std::string_view> pieces,
                               std::size_t& written) = 0;
    // The most pieces that one append takes: IOV_MAX for POSIX's writev, 1 on Windows, which has
    // no gather write to the end of a file.
    virtual std::size_t gatherLimit() const = 0;
    // Puts what was written to the file on stable storage.
    virtual SystemError flush(SystemFile file) = 0;
    // Puts a new file's entry in its folder on stable storage, where the system needs that done
    // apart from the file. Best effort: some file systems refuse it and keep entries their own way.
    virtual void flushFolderOf(const std::string& path) = 0;
    // Cuts the file back to `size` bytes.
    virtual SystemError shorten(SystemFile file, std::int64_t size) = 0;
    // The writers' lock on a record file. It never keeps a reader out.
    virtual LockAttempt tryLock(SystemFile file) = 0;
    virtual void unlock(SystemFile file) = 0;
    // Who holds the lock, as far as the system can tell: "an exclusive lock (flock) of process
    // 4711 (backup)", or "a lock".
    virtual std::string lockHolder(SystemFile file) = 0;
    // A second handle of the same open file, which keeps its lock; noFile when there is none.
    virtual SystemFile duplicate(SystemFile file) = 0;
    virtual void close(SystemFile file) = 0;
    virtual void remove(const std::string& path) = 0;
    // The names of the entries in a folder; none when it cannot be read.
    virtual std::vector<std::string> namesIn(const std::string& folder) = 0;
    // What the error says, in the system's own words: "No space left on device", "The process
    // cannot access the file because it is being used by another process".
    virtual std::string errorText(SystemError error) = 0;
};

// This system's table.
SystemFiles& systemFiles();

}  // namespace qatutor
