// The inbox's outputs put in place on Windows: a temporary file and folder under names of their
// own, FlushFileBuffers (through _commit) to reach the disk, MoveFileExW to put them in place (a
// rename does not replace a file on Windows), and LockFileEx on a hidden lock file to keep runs in
// turn, since Windows cannot lock a folder. The inbox's paths are UTF-8 text (path_text.h); the
// wide calls get them converted from it.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "host/win32/system_text.h"
#include "inbox/atomic_output.h"

namespace qatutor::inbox {
namespace {

using win32::errorText;
using win32::wide;

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

// Moves `from` to `to`, the move reaching the disk before it returns; 0, or Windows' error. A
// file that another program holds open for a moment (a virus scanner, the search indexer, a
// browser reading the old report) cannot be replaced meanwhile, so the move is tried again for
// up to two seconds before it fails.
DWORD moveWholly(const std::string& from, const std::string& to, DWORD flags) {
    const std::wstring source = wide(from), target = wide(to);
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(source.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return 0;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 40)
            return error;
        ::Sleep(50);
    }
}

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

// Closing the lock file's handle, or the end of its process, gives up the lock.
FolderLock::~FolderLock() {
    if (handle_ != -1) ::CloseHandle(handleOf(handle_));
}

std::string FolderLock::take(const std::string& folder) {
    const HANDLE file =
        ::CreateFileW(wide(folder + "/" + runLockName).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return errorText(::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Waits for the lock. A file system without locks still gets its report, unlocked, as on
    // other systems.
    OVERLAPPED firstByte{};
    ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &firstByte);
    return {};
}

// Each file reached the disk as it was finished: Windows lets no program without administrator
// rights flush a whole drive at once.
std::string FolderLock::syncWritten(const std::string& /*written*/) const { return {}; }

HiddenFolder makeHiddenFolder(const std::string& folder, const std::string& name) {
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        const std::string path = folder + "/." + name + "." + uniqueMarks();
        if (::CreateDirectoryW(wide(path).c_str(), nullptr)) return {path, {}};
        error = ::GetLastError();
    }
    return {{}, errorText(error)};
}

std::FILE* createOutputFile(const std::string& path) {
    std::FILE* file = ::_wfopen(wide(path).c_str(), L"wb");
    if (file) std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// mkstemp's Windows form takes the name in the code page, which cannot hold every folder's name.
int createTemporaryFile(std::string& pattern) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        pattern.replace(pattern.size() - 6, 6, uniqueMarks());
        const int fd = ::_wopen(wide(pattern).c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY,
                                _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void removeFile(const std::string& path) { ::_wunlink(wide(path).c_str()); }

std::string finishOutputFile(std::FILE* file) {
    int error = 0;
    if (std::ferror(file) || std::fflush(file) != 0 || ::_commit(::_fileno(file)) != 0)
        error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    return error ? std::strerror(error) : std::string();
}

std::string finishFileOnDisk(std::FILE* file) { return finishOutputFile(file); }

std::string moveFolder(const std::string& from, const std::string& to) {
    const DWORD error = moveWholly(from, to, 0);
    return error ? errorText(error) : std::string();
}

std::string replaceFile(const std::string& from, const std::string& to) {
    const DWORD error = moveWholly(from, to, MOVEFILE_REPLACE_EXISTING);
    return error ? errorText(error) : std::string();
}

}  // namespace qatutor::inbox
