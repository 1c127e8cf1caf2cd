#include "inbox/atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace qatutor::inbox {

std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write) {
    const std::string finalPath = folder + "/" + name;
    std::string temporary = folder + "/." + name + ".XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return "cannot create a file in " + folder + ": " + std::strerror(errno);
    temporary = pattern.data();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return "cannot write " + finalPath + ": " + std::strerror(error);
    }
    std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
    write(out);
    int error = 0;
    if (std::ferror(out) || std::fflush(out) != 0 || ::fsync(fd) != 0) error = errno ? errno : EIO;
    if (std::fclose(out) != 0 && !error) error = errno;
    if (!error && ::rename(temporary.c_str(), finalPath.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return "cannot write " + finalPath + ": " + std::strerror(error);
    }
    // The rename itself reaches the disk with the folder.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

}  // namespace qatutor::inbox
