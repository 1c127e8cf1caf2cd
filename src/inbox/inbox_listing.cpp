#include "inbox/inbox_listing.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "base/text.h"
#include "inbox/inbox_error.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

// The name of the file or folder at `path`, as the file system spells it.
std::string nameOf(const std::string& path) {
    const std::string name = textOf(pathOf(path).filename());
    return name.empty() ? path : name;  // "dir/" names the folder itself
}

ListedFile listed(const std::string& path, const std::string& name) {
    ListedFile file;
    file.path = path;
    file.name = utf8Name(name);
    std::tie(file.student, file.kind) = studentOf(name);
    return file;
}

// The names in `folder`, sorted, but for hidden ones and the report's outputs.
std::vector<std::string> namesIn(const std::string& folder) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = textOf(it->path().filename());
        if (!startsWith(name, ".") && !isReportOutput(name)) names.push_back(name);
    }
    if (error) throw InboxError("the folder cannot be read: " + error.message());
    std::sort(names.begin(), names.end());
    return names;
}

// What the report says of a folder's entry that is not read (a fact for its line, not a
// failure): a folder, or a link to a place out of the folder, which could name any file of the
// computer. Empty for an entry that is read; a link that leads nowhere, or round in a loop, is
// read, and opening it says why.
std::string entryProblem(const fs::path& folder, const fs::path& entry) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(entry, error);
    if (fs::is_directory(status)) return "a folder inside the folder; its files are not read";
    if (!fs::is_symlink(status)) return {};
    const fs::path target = fs::weakly_canonical(entry, error);
    if (error) return {};
    const fs::path inside = fs::weakly_canonical(folder, error);
    if (error)
        return "a link, not read: where the folder lies cannot be told (" + error.message() + ")";
    const auto [end, rest] =
        std::mismatch(inside.begin(), inside.end(), target.begin(), target.end());
    if (end != inside.end() || rest == target.end())
        return "a link out of the folder, not read (name the file itself to read it)";
    return {};
}

void listFolder(const std::string& folder, InboxListing& listing) {
    std::vector<std::string> names;
    try {
        names = namesIn(folder);
    } catch (const InboxError& error) {
        listing.notRead.push_back({utf8Name(nameOf(folder)), error.what()});
        return;
    }
    for (const std::string& name : names) {
        const fs::path path = pathOf(folder) / pathOf(name);
        if (std::string problem = entryProblem(pathOf(folder), path); !problem.empty())
            listing.notRead.push_back({utf8Name(name), std::move(problem)});
        else
            listing.files.push_back(listed(textOf(path), name));
    }
}

}  // namespace

InboxListing listInbox(const std::vector<std::string>& paths) {
    InboxListing listing;
    for (const std::string& path : paths) {
        if (isFolder(path))
            listFolder(path, listing);
        else
            listing.files.push_back(listed(path, nameOf(path)));
    }
    return listing;
}

}  // namespace qatutor::inbox
