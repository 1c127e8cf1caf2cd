// The inbox's outputs put in place on Windows: a temporary file and folder under names of their
// own, marked hidden, FlushFileBuffers (through _commit) to reach the disk, MoveFileExW to put
// them in place (a rename does not replace a file on Windows), and LockFileEx on a hidden lock
// file to keep runs in turn, since Windows cannot lock a folder.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "base/win32/system_text.h"
#include "inbox/inbox_error.h"
#include "inbox/output_steps.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

using win32::wide;

[[noreturn]] void fail(DWORD error) { throw InboxError(win32::errorText(error)); }

// Six letters or digits for a unique name, as mkstemp and mkdtemp choose them.
std::string uniqueMarks() {
    static constexpr char marks[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random = [] {
        LARGE_INTEGER now{};
        ::QueryPerformanceCounter(&now);
        return std::mt19937(static_cast<std::uint32_t>(now.QuadPart) ^ ::GetCurrentProcessId());
    }();
    std::string text;
    for (int i = 0; i < 6; ++i) text += marks[random() % (sizeof marks - 1)];
    return text;
}

// A temporary is shown under the name it is put in place as: the mark goes before the move,
// since a rename keeps it.
void showEntry(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    const DWORD shown = attributes & ~(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    ::SetFileAttributesW(path.c_str(), shown ? shown : FILE_ATTRIBUTE_NORMAL);
}

// Moves the hidden `from` to `to`, shown. A file that another program holds open for a moment
// (a virus scanner, the search indexer, a browser reading the old report) cannot be replaced
// meanwhile, so the move is tried again for up to two seconds before it fails.
void moveShown(const std::string& from, const std::string& to, DWORD flags) {
    const std::wstring source = wide(from), target = wide(to);
    showEntry(source);
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(source.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 40)
            fail(error);
        ::Sleep(50);
    }
}

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

// Closing the lock file's handle, or the end of its process, gives up the lock.
FolderLock::~FolderLock() {
    if (handle_ != -1) ::CloseHandle(handleOf(handle_));
}

void FolderLock::take(const std::string& folder) {
    const HANDLE file =
        ::CreateFileW(wide(joinPath(folder, runLockName)).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Waits for the lock. A file system without locks still gets its report, unlocked, as on
    // other systems.
    OVERLAPPED firstByte{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &firstByte))
        return;
    if (::GetLastError() == ERROR_LOCK_VIOLATION && waitingForAnotherRun) waitingForAnotherRun();
    ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &firstByte);
}

// Each file reached the disk as it was finished: Windows lets no program without administrator
// rights flush a whole drive at once.
void FolderLock::syncWritten(const std::string& /*written*/) const {}

std::string makeHiddenFolder(const std::string& folder, const std::string& name) {
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        const std::string path = joinPath(folder, "." + name + "." + uniqueMarks());
        if (::CreateDirectoryW(wide(path).c_str(), nullptr)) {
            ::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
            return path;
        }
        error = ::GetLastError();
    }
    fail(error);
}

std::FILE* createOutputFile(const std::string& path) {
    std::FILE* file = ::_wfopen(wide(path).c_str(), L"wb");
    if (!file) throw InboxError(std::strerror(errno));
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// Created hidden from the start; mkstemp's Windows form would take the name in the code page,
// which cannot hold every folder's name.
std::FILE* createTemporaryFile(std::string& pattern) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        pattern.replace(pattern.size() - 6, 6, uniqueMarks());
        handle = ::CreateFileW(wide(pattern).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        error = ::GetLastError();
        if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) fail(error);
    const int fd =
        ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* file = fd < 0 ? nullptr : ::_fdopen(fd, "wb");
    if (!file) {
        const int reason = errno;
        if (fd < 0)
            ::CloseHandle(handle);
        else
            ::_close(fd);
        removeFile(pattern);
        throw InboxError(std::strerror(reason));
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

void removeFile(const std::string& path) { ::DeleteFileW(wide(path).c_str()); }

void finishOutputFile(std::FILE* file) {
    int error = 0;
    // A write that failed without writeBytes left only the stream's mark, and errno belongs to
    // whatever call came after it.
    const bool writeFailed = std::ferror(file);
    if (!writeFailed && (std::fflush(file) != 0 || ::_commit(::_fileno(file)) != 0))
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    if (writeFailed) throw InboxError(unknownWriteFailure);
    if (error) throw InboxError(std::strerror(error));
}

void finishFileOnDisk(std::FILE* file) { finishOutputFile(file); }

void moveFolder(const std::string& from, const std::string& to) { moveShown(from, to, 0); }

void replaceFile(const std::string& from, const std::string& to) {
    moveShown(from, to, MOVEFILE_REPLACE_EXISTING);
}

}  // namespace qatutor::inbox
