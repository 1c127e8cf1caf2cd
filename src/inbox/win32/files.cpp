// The inbox's paths and reading on Windows: the UTF-8 paths become UTF-16 for every call, and a
// folder may be named with a separator at its end, as PowerShell's tab completion writes it.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/win32/system_text.h"
#include "inbox/inbox_error.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

using win32::wide;

[[noreturn]] void fail() { throw InboxError(std::strerror(errno)); }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

const char pathSeparator = '\\';

std::filesystem::path pathOf(const std::string& text) { return wide(text); }
std::string textOf(const std::filesystem::path& path) { return win32::utf8(path.wstring()); }

// The separator at the end of a folder, either one, gives way to Windows' own, but a root's
// ("C:\\", "\\") stays; a drive alone ("C:") stands for that drive's current folder, and the
// name follows it directly.
std::string joinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    const bool root = path.size() == 1 || (path.size() == 3 && path[1] == ':');
    if (!root && !path.empty() && isSeparator(path.back())) path.pop_back();
    const bool drive = path.size() == 2 && path[1] == ':';
    if (!path.empty() && !isSeparator(path.back()) && !drive) path += pathSeparator;
    return path + std::string(name);
}

// Unlike the C library's stat, GetFileAttributesW takes a folder with a separator at its end. A
// link to a folder, and a junction, carry the folder's mark too.
bool isFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void checkFound(const std::string& path) {
    if (::GetFileAttributesW(wide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        throw InboxError(win32::errorText(::GetLastError()));
}

// Binary mode, so that line ends are read as the files hold them. Windows never blocks on
// opening a file.
OpenFile::OpenFile(const std::string& path)
    : descriptor_(::_wopen(wide(path).c_str(), _O_RDONLY | _O_BINARY)) {
    if (descriptor_ < 0) fail();
}

OpenFile::~OpenFile() { ::_close(descriptor_); }

OpenFacts OpenFile::facts() const {
    struct _stat64 info {};
    if (::_fstat64(descriptor_, &info) != 0) fail();
    const OpenKind kind = (info.st_mode & _S_IFMT) == _S_IFDIR   ? OpenKind::folder
                          : (info.st_mode & _S_IFMT) == _S_IFREG ? OpenKind::regularFile
                                                                 : OpenKind::other;
    return {kind, static_cast<std::uint64_t>(info.st_size)};
}

std::size_t OpenFile::read(char* into, std::size_t size) {
    constexpr std::size_t largestRead = 1u << 30;  // _read counts in an unsigned int
    const int got = ::_read(descriptor_, into, static_cast<unsigned>(std::min(size, largestRead)));
    if (got < 0) fail();
    return static_cast<std::size_t>(got);
}

void OpenFile::seek(std::uint64_t at) {
    if (::_lseeki64(descriptor_, static_cast<__int64>(at), SEEK_SET) < 0) fail();
}

}  // namespace qatutor::inbox
