// The steps that put the inbox's outputs in place whole, as each system takes them:
// posix/output_steps.cpp (Linux) and win32/output_steps.cpp (Windows) carry them out;
// atomic_output.cpp and run_output.cpp take them in order.
//
// Each output is first written under a hidden temporary name beside its final one: a name that
// starts with a point, and on Windows the hidden mark as well, which is taken off just before the
// output is put in place. What reaching the disk means differs:
//   Linux    a file reaches the disk with fsync (or with syncfs, for every file of the run at
//            once), and a new name or a rename with an fsync of the folder that holds it;
//   Windows  a file reaches the disk with FlushFileBuffers. A rename within one folder is whole or
//            not done at all (NTFS logs it), but Windows promises no moment at which it reaches
//            the disk: MOVEFILE_WRITE_THROUGH waits only for a move that it carries out as a copy
//            and a delete, across drives. After a power cut the report may be the one before,
//            never a mix of two.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qatutor::inbox {

// The steps below throw InboxError with the system's reason in its own words ("Permission
// denied", "Access is denied"); the caller says what it was doing (explained()).

// One run at a time writes into a folder: the lock is held from take() until the lock is
// destroyed, or its process ends in any way; another run's take() waits for it meanwhile. On a
// file system that has no locks (some network shares) take() goes on unlocked.
// On Linux it is a lock on the folder itself; Windows cannot lock a folder, so there it is a
// lock on a hidden file in it, runLockName, which stays for the next run.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    void take(const std::string& folder);
    // Called by take() when another run holds the lock, before it waits; empty but in tests,
    // which learn from it that a run waits.
    static inline std::function<void()> waitingForAnotherRun;
    // Every file written into the locked folder reaches the disk, and `written`, a new folder in
    // it, with them. On Windows each file already did so when it was finished.
    void syncWritten(const std::string& written) const;

private:
    // The system's own mark of what holds the lock, -1 while none does: the folder's descriptor
    // on Linux, the lock file's HANDLE on Windows, each kept in an integer wide enough for it.
    std::intptr_t handle_ = -1;
};

// The lock file of a run's folder on Windows.
inline constexpr const char* runLockName = ".qatutor-inbox.lock";

// A new, empty, hidden folder `folder`/.NAME.XXXXXX (the X's made unique), as readable as any
// new folder: its path.
std::string makeHiddenFolder(const std::string& folder, const std::string& name);

// A new file for writing, fully buffered.
std::FILE* createOutputFile(const std::string& path);
// Makes the X's that end `pattern` (".../.report.html.XXXXXX") unique, as mkstemp does, and
// creates that file, hidden, as readable as any new file, open for writing and fully buffered.
std::FILE* createTemporaryFile(std::string& pattern);
// Removes a file, if it can: it is only called on a hidden temporary, which the next run removes
// as left behind (isLeftBehind) should this fail.
void removeFile(const std::string& path);

// The reason given for a file whose stream had failed before it was finished by a write that did
// not go through writeBytes: the system's own reason is no longer known then.
inline constexpr const char* unknownWriteFailure = "a write to it failed";

// Closes a file of a run's folder; its bytes reach the disk with the run's
// (FolderLock::syncWritten), on Windows before it is closed. The file is closed even when this
// throws.
void finishOutputFile(std::FILE* file);
// Closes a file once its bytes have reached the disk; closed even when this throws.
void finishFileOnDisk(std::FILE* file);

// Renames the hidden folder `from` to `to`, a name not taken, in the same folder, shown there.
// On Linux the rename reaches the disk before it returns, unless the folder that holds it cannot
// be opened to flush it (one the inbox may write in but not read) or its file system cannot
// flush a folder.
void moveFolder(const std::string& from, const std::string& to);
// Renames the hidden file `from` over the file `to` in one step, in the same folder, shown
// there. On Linux the rename reaches the disk as moveFolder's does.
void replaceFile(const std::string& from, const std::string& to);

}  // namespace qatutor::inbox
