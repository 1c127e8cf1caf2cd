// The parts of platform.h that the C++ library carries out alike on Linux and Windows: the
// folders through std::filesystem, with paths turned by pathOf and textOf, the clock, and
// reading a whole file through OpenFile.
#include "inbox/platform.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "inbox/inbox_error.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

std::mutex clockMutex;
std::function<std::time_t()> replacedClock;

// Throws InboxError saying why a file of this kind is not `what` it should be.
void checkKind(const OpenFacts& facts, std::uint64_t largest, std::string_view what) {
    if (facts.kind == OpenKind::folder) throw InboxError("a folder, not " + std::string(what));
    if (facts.kind != OpenKind::regularFile)
        throw InboxError("not a regular file (a pipe, socket or device)");
    if (facts.size > largest) throw InboxError("too large for " + std::string(what));
}

// Reads `file` to its end, even when it grew meanwhile; `size` is what it held when opened.
// Throws InboxError as soon as it has read more than `largest` bytes, reading no further.
std::string readToEnd(OpenFile& file, std::uint64_t size, std::uint64_t largest,
                      std::string_view what) {
    constexpr std::size_t growth = 4096;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {  // all it held when opened: it may have grown since
            if (done > largest) throw InboxError("too large for " + std::string(what));
            bytes.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(done + growth, largest + 1)));
        }
        const std::size_t got = file.read(bytes.data() + done, bytes.size() - done);
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

std::string readFileUpTo(const std::string& path, std::uint64_t largest, std::string_view what) {
    OpenFile file = explained("cannot be opened", [&] { return OpenFile(path); });
    const OpenFacts facts = explained("cannot be read", [&] { return file.facts(); });
    checkKind(facts, largest, what);
    return explained("cannot be read", [&] { return readToEnd(file, facts.size, largest, what); });
}

std::time_t currentTime() {
    const std::lock_guard<std::mutex> hold(clockMutex);
    return replacedClock ? replacedClock() : std::time(nullptr);
}

void replaceClock(std::function<std::time_t()> clock) {
    const std::lock_guard<std::mutex> hold(clockMutex);
    replacedClock = std::move(clock);
}

EntryKind entryKindOf(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(pathOf(path), error);
    if (fs::is_symlink(status)) return EntryKind::link;
    if (fs::is_directory(status)) return EntryKind::folder;
    if (fs::is_regular_file(status)) return EntryKind::regularFile;
    return error || !fs::exists(status) ? EntryKind::missing : EntryKind::other;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end;
         it.increment(error))
        names.push_back(textOf(it->path().filename()));
    if (error) throw InboxError(error.message());
    return names;
}

std::string resolvedPath(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(pathOf(path), error);
    if (error) throw InboxError(error.message());
    return textOf(resolved);
}

bool liesInside(const std::string& place, const std::string& folder) {
    const fs::path inside = pathOf(folder), target = pathOf(place);
    const auto [end, rest] =
        std::mismatch(inside.begin(), inside.end(), target.begin(), target.end());
    return end == inside.end() && rest != target.end();
}

std::string folderOf(const std::string& path) { return textOf(pathOf(path).parent_path()); }

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path full = fs::absolute(pathOf(path), error).lexically_normal();
    return error ? path : textOf(full);
}

void removeAll(const std::string& path) {
    std::error_code ignored;
    fs::remove_all(pathOf(path), ignored);
}

}  // namespace qatutor::inbox
