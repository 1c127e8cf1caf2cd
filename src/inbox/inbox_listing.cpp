#include "inbox/inbox_listing.h"

#include <algorithm>
#include <tuple>

#include "base/text.h"
#include "inbox/inbox_error.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

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
    std::vector<std::string> names =
        explained("the folder cannot be read", [&] { return inbox::namesIn(folder); });
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) {
                                   return startsWith(name, ".") || isReportOutput(name);
                               }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

// What the report says of a folder's entry that is not read (a fact for its line, not a
// failure): a folder, or a link to a place out of the folder, which could name any file of the
// computer. Empty for an entry that is read; a link that leads nowhere, or round in a loop, is
// read, and opening it says why.
std::string entryProblem(const std::string& folder, const std::string& entry) {
    const EntryKind kind = entryKindOf(entry);
    if (kind == EntryKind::folder) return "a folder inside the folder; its files are not read";
    if (kind != EntryKind::link) return {};
    std::string target;
    try {
        target = resolvedPath(entry);
    } catch (const InboxError&) {
        return {};
    }
    try {
        if (liesInside(target, resolvedPath(folder))) return {};
    } catch (const InboxError& error) {
        return std::string("a link, not read: where the folder lies cannot be told (") +
               error.what() + ")";
    }
    return "a link out of the folder, not read (name the file itself to read it)";
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
        const std::string path = joinPath(folder, name);
        if (std::string problem = entryProblem(folder, path); !problem.empty())
            listing.notRead.push_back({utf8Name(name), std::move(problem)});
        else
            listing.files.push_back(listed(path, name));
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
