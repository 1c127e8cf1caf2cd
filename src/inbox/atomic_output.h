// Writes a file so that it is either the whole new file or not there at all: the bytes go to a
// hidden temporary file in the same folder, reach the disk (fsync), and the temporary file is
// then renamed over the final name. An interrupted run leaves the old file, or none.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace qatutor::inbox {

// Calls `write` with the temporary file, then puts it in place as `folder`/`name`. Returns an
// empty text on success, else what failed (and no file of that name has been changed).
std::string writeAtomically(const std::string& folder, const std::string& name,
                            const std::function<void(std::FILE*)>& write);

}  // namespace qatutor::inbox
