#include "inbox/atomic_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qatutor::inbox {

std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write) {
    const std::string finalPath = folder + "/" + name;
    std::string temporary = folder + "/." + name + ".XXXXXX";
    const int fd = createTemporaryFile(temporary);
    if (fd < 0) return "cannot create a file in " + folder + ": " + std::strerror(errno);
    std::FILE* out = ::fdopen(fd, "wb");
    std::string reason;
    if (!out) {
        reason = std::strerror(errno);
        ::close(fd);
    } else {
        std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
        write(out);
        reason = finishFileOnDisk(out);
        if (reason.empty()) reason = replaceFile(temporary, finalPath);
    }
    if (reason.empty()) return {};
    removeFile(temporary);
    return "cannot write " + finalPath + ": " + reason;
}

}  // namespace qatutor::inbox
