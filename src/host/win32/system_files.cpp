// The file system's calls on Windows, through the Windows API with UTF-16 names.
#include <windows.h>

#include <algorithm>

#include "host/system_files.h"
#include "host/win32/system_text.h"

namespace qatutor {
namespace {

HANDLE handleOf(SystemFile file) { return reinterpret_cast<HANDLE>(file); }
SystemFile fileOf(HANDLE handle) { return reinterpret_cast<SystemFile>(handle); }

SystemError lastError() {
    const DWORD code = ::GetLastError();
    return SystemError{static_cast<int>(code), code == ERROR_SHARING_VIOLATION};
}

// Windows' byte-range locks are mandatory: a locked range can be neither read nor written through
// another handle. The writers' lock therefore covers one byte far past the end of any record file
// (byte 2^62), so that it holds up only the writers that ask for it, never a reader such as the
// instructor's inbox or an editor.
constexpr DWORD lockOffsetHigh = 0x40000000;

// A single WriteFile takes at most this many bytes; a longer text is appended in several.
constexpr std::size_t largestWrite = std::size_t{1} << 30;

class WindowsFiles final : public SystemFiles {
public:
    bool isFolder(const std::string& path) override {
        const DWORD attributes = ::GetFileAttributesW(win32::wide(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    Opened open(const std::string& path, FileMode mode, bool hidden) override {
        const DWORD access = mode == FileMode::input ? GENERIC_READ : GENERIC_WRITE;
        const DWORD disposition = mode == FileMode::input    ? OPEN_EXISTING
                                  : mode == FileMode::output ? CREATE_ALWAYS
                                                             : OPEN_ALWAYS;
        // Other copies of the program, and readers, may have the file open at the same time.
        const HANDLE handle = ::CreateFileW(
            win32::wide(path).c_str(), access,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
            hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr);
        Opened opened;
        if (handle == INVALID_HANDLE_VALUE) {
            opened.error = lastError();
            return opened;
        }
        opened.created = mode != FileMode::input && ::GetLastError() != ERROR_ALREADY_EXISTS;
        opened.file = fileOf(handle);
        return opened;
    }

    SystemError readAll(SystemFile file, std::string& out) override {
        char buffer[65536];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handleOf(file), buffer, sizeof buffer, &got, nullptr))
                return lastError();
            if (got == 0) return {};
            out.append(buffer, got);
        }
    }

    SystemError size(SystemFile file, std::int64_t& size) override {
        LARGE_INTEGER now{};
        if (!::GetFileSizeEx(handleOf(file), &now)) return lastError();
        size = now.QuadPart;
        return {};
    }

    // Writes at the end of the file, wherever that is now: both halves of the offset all ones.
    SystemError append(SystemFile file, std::span<const std::string_view> pieces,
                       std::size_t& written) override {
        written = 0;
        if (pieces.empty()) return {};
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        const auto size = static_cast<DWORD>(std::min(pieces.front().size(), largestWrite));
        DWORD done = 0;
        if (!::WriteFile(handleOf(file), pieces.front().data(), size, &done, &atEnd))
            return lastError();
        written = done;
        return {};
    }

    std::size_t gatherLimit() const override { return 1; }

    SystemError flush(SystemFile file) override {
        return ::FlushFileBuffers(handleOf(file)) ? SystemError{} : lastError();
    }

    // NTFS logs a new file's entry in its folder with the file itself: nothing more to flush.
    void flushFolderOf(const std::string& /*path*/) override {}

    SystemError shorten(SystemFile file, std::int64_t size) override {
        LARGE_INTEGER at{};
        at.QuadPart = size;
        if (!::SetFilePointerEx(handleOf(file), at, nullptr, FILE_BEGIN) ||
            !::SetEndOfFile(handleOf(file)))
            return lastError();
        return {};
    }

    LockAttempt tryLock(SystemFile file) override {
        OVERLAPPED at{};
        at.OffsetHigh = lockOffsetHigh;
        if (::LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1,
                         0, &at))
            return LockAttempt::locked;
        const DWORD error = ::GetLastError();
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
                   ? LockAttempt::heldByAnother
                   : LockAttempt::noLocks;
    }

    void unlock(SystemFile file) override {
        OVERLAPPED at{};
        at.OffsetHigh = lockOffsetHigh;
        ::UnlockFileEx(handleOf(file), 0, 1, 0, &at);
    }

    // Windows does not tell who holds a lock.
    std::string lockHolder(SystemFile /*file*/) override { return "a lock"; }

    SystemFile duplicate(SystemFile file) override {
        HANDLE copy = nullptr;
        const HANDLE process = ::GetCurrentProcess();
        if (!::DuplicateHandle(process, handleOf(file), process, &copy, 0, FALSE,
                               DUPLICATE_SAME_ACCESS))
            return noFile;
        return fileOf(copy);
    }

    void close(SystemFile file) override { ::CloseHandle(handleOf(file)); }

    void remove(const std::string& path) override { ::DeleteFileW(win32::wide(path).c_str()); }

    std::vector<std::string> namesIn(const std::string& folder) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW entry{};
        const HANDLE search = ::FindFirstFileW(win32::wide(folder + "\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            names.push_back(win32::utf8(entry.cFileName));
        } while (::FindNextFileW(search, &entry));
        ::FindClose(search);
        return names;
    }

    std::string errorText(SystemError error) override {
        return win32::errorText(static_cast<DWORD>(error.code));
    }
};

}  // namespace

SystemFiles& systemFiles() {
    static WindowsFiles files;
    return files;
}

}  // namespace qatutor
