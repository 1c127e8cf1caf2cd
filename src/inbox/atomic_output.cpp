#include "inbox/atomic_output.h"

#include <cstdio>

namespace qatutor::inbox {

std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write) {
    const std::string finalPath = folder + "/" + name;
    const TemporaryFile temporary = createTemporaryFile(folder, name);
    if (!temporary.file) return "cannot create a file in " + folder + ": " + temporary.reason;
    write(temporary.file);
    std::string reason = finishFileOnDisk(temporary.file);
    if (reason.empty()) reason = replaceFile(temporary.path, finalPath);
    if (reason.empty()) return {};
    std::remove(temporary.path.c_str());
    return "cannot write " + finalPath + ": " + reason;
}

}  // namespace qatutor::inbox
