#include "inbox/atomic_output.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "inbox/inbox_error.h"
#include "inbox/output_steps.h"
#include "inbox/platform.h"

namespace qatutor::inbox {

void writeBytes(std::FILE* file, std::string_view bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        throw InboxError(std::strerror(errno ? errno : EIO));
}

void writeAtomically(const std::string& folder, const std::string& name,
                     const std::function<void(std::FILE*)>& write) {
    const std::string finalPath = joinPath(folder, name);
    std::string temporary = joinPath(folder, "." + name + ".XXXXXX");
    std::FILE* out = explained("cannot create a file in " + folder,
                               [&] { return createTemporaryFile(temporary); });
    // Whatever fails after this, the temporary file goes and the old file stays.
    try {
        explained("cannot write " + finalPath, [&] {
            write(out);
            finishFileOnDisk(std::exchange(out, nullptr));
            replaceFile(temporary, finalPath);
        });
    } catch (...) {
        if (out) std::fclose(out);
        removeFile(temporary);
        throw;
    }
}

}  // namespace qatutor::inbox
