// The report written whole on Windows: into a temporary file beside it, committed to the disk,
// then moved over the old report in one step (rename does not replace a file on Windows).
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "inbox/atomic_output.h"

namespace qatutor::inbox {
namespace {

std::string windowsErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD size = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = size > 0 && text ? std::string(text, size) : std::string();
    if (text) ::LocalFree(text);
    while (!words.empty() && std::strchr("\r\n .", words.back())) words.pop_back();
    return words.empty() ? "Windows error " + std::to_string(error) : words;
}

}  // namespace

std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write) {
    const std::string finalPath = folder + "/" + name;
    std::string temporary = folder + "/." + name + ".XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return "cannot create a file in " + folder + ": " + std::strerror(errno);
    temporary = pattern.data();

    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        const int error = errno;
        ::_close(fd);
        ::_unlink(temporary.c_str());
        return "cannot write " + finalPath + ": " + std::strerror(error);
    }
    std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
    write(out);
    int error = 0;
    if (std::ferror(out) || std::fflush(out) != 0 || ::_commit(fd) != 0)
        error = errno ? errno : EIO;
    if (std::fclose(out) != 0 && !error) error = errno;
    if (error) {
        ::_unlink(temporary.c_str());
        return "cannot write " + finalPath + ": " + std::strerror(error);
    }
    if (!::MoveFileExA(temporary.c_str(), finalPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = ::GetLastError();
        ::_unlink(temporary.c_str());
        return "cannot write " + finalPath + ": " + windowsErrorText(moveError);
    }
    return {};
}

}  // namespace qatutor::inbox
