// Writing the inbox's outputs: a file put in place whole (writeAtomically), and the writes into
// an output that tell their own failure (writeBytes). The steps they take, which differ on each
// system, are in output_steps.h.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace qatutor::inbox {

// Writes a file so that it is either the whole new file or not there at all: the bytes go to a
// hidden temporary file in the same folder, reach the disk, and the temporary file is then
// renamed over the final name. An interrupted run leaves the old file, or none.
// Calls `write` with the temporary file, then puts it in place as `folder`/`name`. Throws
// InboxError saying what failed; no file of that name has been changed then.
void writeAtomically(const std::string& folder, const std::string& name,
                     const std::function<void(std::FILE*)>& write);

// Writes `bytes` to an output file. A write that fails throws InboxError at once, with the
// system's reason ("No space left on device") while it is still known: a stream keeps only a
// mark that it failed, and the reason would be another call's by the time the file is finished.
void writeBytes(std::FILE* file, std::string_view bytes);

}  // namespace qatutor::inbox
