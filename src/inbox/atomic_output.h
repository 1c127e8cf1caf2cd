// The inbox's outputs put in place whole. Nothing else of the inbox touches the platform's file
// calls: posix/atomic_output.cpp (Linux, macOS) and win32/atomic_output.cpp (Windows) hold the
// steps declared below, atomic_output.cpp and run_output.cpp the order they are taken in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qatutor::inbox {

// Writes a file so that it is either the whole new file or not there at all: the bytes go to a
// hidden temporary file in the same folder, reach the disk, and the temporary file is then
// renamed over the final name. An interrupted run leaves the old file, or none.
// Calls `write` with the temporary file, then puts it in place as `folder`/`name`. Returns an
// empty text on success, else what failed (and no file of that name has been changed).
std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write);

// The steps below return an empty text on success, else the system's reason in its own words
// ("Permission denied", "Access is denied"); the caller says what it was doing.

// One run at a time writes into a folder: the lock is held from take() until the lock is
// destroyed, or its process ends in any way; another run's take() waits for it meanwhile.
// On POSIX systems it is a lock on the folder itself; Windows cannot lock a folder, so there it
// is a lock on a hidden file in it, runLockName, which stays for the next run.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    std::string take(const std::string& folder);
    // Every file written into the locked folder reaches the disk, and `written`, a new folder in
    // it, with them. On Windows each file already did so when it was finished.
    std::string syncWritten(const std::string& written) const;

private:
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
};

// The lock file of a run's folder on Windows.
inline constexpr const char* runLockName = ".qatutor-inbox.lock";

// A new, empty folder `folder`/.NAME.XXXXXX (the X's made unique), as readable as any new
// folder: its path, or an empty path and the reason.
struct HiddenFolder {
    std::string path;
    std::string reason;
};
HiddenFolder makeHiddenFolder(const std::string& folder, const std::string& name);

// A new file for writing, fully buffered; null with errno set when it cannot be created.
std::FILE* createOutputFile(const std::string& path);
// Makes the X's that end `pattern` (".../.report.html.XXXXXX") unique, as mkstemp does, and
// creates that file, as readable as any new file: its descriptor, or -1 with errno set.
int createTemporaryFile(std::string& pattern);
// Removes a file, if it can.
void removeFile(const std::string& path);

// Closes a file of a run's folder; its bytes reach the disk with the run's
// (FolderLock::syncWritten), on Windows before it is closed.
std::string finishOutputFile(std::FILE* file);
// Closes a file once its bytes have reached the disk.
std::string finishFileOnDisk(std::FILE* file);

// Renames the folder `from` to `to`, a name not taken, in the same folder; the rename reaches the
// disk before it returns.
std::string moveFolder(const std::string& from, const std::string& to);
// Renames the file `from` over the file `to` in one step, in the same folder; the rename reaches
// the disk before it returns.
std::string replaceFile(const std::string& from, const std::string& to);

}  // namespace qatutor::inbox
