#include "inbox/inbox_listing.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "base/text.h"
#include "inbox/download_names.h"
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

// The names that the attempts' receipts in one folder give, by the login their file names
// give: "annlee" -> {"Zoë Lee (annlee)"}. Kept a folder at a time, so it stays small.
class ReceiptNames {
public:
    // The receipt named `name`, whose bytes `read` gives; a receipt that cannot be read, or
    // names nobody, leaves its login as it is.
    template <typename Read>
    void add(const std::string& name, Read&& read) {
        const DownloadName download = downloadNameOf(name);
        std::optional<std::string> onReceipt;
        try {
            onReceipt = nameOnReceipt(read());
        } catch (const InboxError&) {  // the login stays the identity
        }
        const std::string login = utf8Name(download.identity);
        if (onReceipt) names_[login].insert(receiptIdentity(*onReceipt, login));
    }
    // The identity of an attempt's files: their receipts' name, or the login when they give none,
    // or disagree, so that every attempt of one person is that person's.
    std::string identityOf(const std::string& login) const {
        const auto found = names_.find(login);
        return found != names_.end() && found->second.size() == 1 ? *found->second.begin() : login;
    }

private:
    std::map<std::string, std::set<std::string>> names_;
};

// A file of the person whose identity `folderIdentity` is, when it lies in their submission
// folder; a platform's prefix of its name says who it is otherwise, with the name on the
// attempt's receipt, in `receipts`, when it is an attempt's.
ListedFile listed(const std::string& path, const std::string& name,
                  const std::string& folderIdentity, const std::string& shownFolder,
                  const ReceiptNames& receipts) {
    const DownloadName download = downloadNameOf(name);
    ListedFile file;
    file.path = path;
    file.name = shownFolder + utf8Name(name);
    std::tie(file.student, file.kind) = studentOf(download.fileName);
    file.notes = isNotesFileName(download.fileName);
    file.identity = utf8Name(folderIdentity.empty() ? download.identity : folderIdentity);
    if (folderIdentity.empty() && download.attempt)
        file.identity = receipts.identityOf(file.identity);
    return file;
}

// The person of a submission folder, "" for any other folder.
std::string identityOfFolder(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == pathSeparator))
        folder.pop_back();  // "Ann Lee_1_..._file_/"
    return submissionFolderIdentity(nameOf(folder)).value_or(std::string());
}

// The names in `folder`, sorted, but for hidden ones and the report's outputs. The "._" files
// that macOS adds are kept, to be listed as no record files.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names =
        explained("the folder cannot be read", [&] { return inbox::namesIn(folder); });
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) {
                                   return (startsWith(name, ".") && !startsWith(name, "._")) ||
                                          isReportOutput(name);
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

// The files of the archive at `path`, shown as `shown` + "/" + their path in it; its folders
// that are plainly no record files (__MACOSX) are listed once each.
void listArchiveFiles(const std::string& path, const std::string& shown, InboxListing& listing) {
    std::vector<ArchiveFile> files;
    try {
        files = listArchive(path);
    } catch (const InboxError& error) {
        listing.notRead.push_back({shown, error.what()});
        return;
    }
    std::set<std::string> listedFolders;
    std::map<std::string, ReceiptNames> receipts;  // by the folders in the archive
    for (const ArchiveFile& file : files) {
        const std::size_t slash = file.name.rfind('/') + 1;  // 0 when there is none
        if (downloadNameOf(file.name.substr(slash)).receipt && file.place.size <= largestReceipt)
            receipts[file.name.substr(0, slash)].add(file.name.substr(slash), [&] {
                return readArchiveFile(path, file.place, largestReceipt);
            });
    }
    for (const ArchiveFile& file : files) {
        const std::size_t slash = file.name.rfind('/');
        const std::string folders =
            slash == std::string::npos ? "" : file.name.substr(0, slash + 1);
        const std::string name = file.name.substr(folders.size());
        std::string identity, reason, reasonOf = shown + "/" + utf8Name(file.name);
        for (std::size_t start = 0; start < folders.size();) {
            const std::size_t end = folders.find('/', start);
            const std::string folder = folders.substr(start, end - start);
            if (reason.empty()) reason = plainlyNoRecord(folder, true);
            if (!reason.empty() && reasonOf.size() > shown.size() + end + 1)
                reasonOf = shown + "/" + utf8Name(folders.substr(0, end));
            identity = submissionFolderIdentity(folder).value_or(identity);
            start = end + 1;
        }
        if (reason.empty()) reason = plainlyNoRecord(name, false, !identity.empty());
        if (!reason.empty()) {
            if (listedFolders.insert(reasonOf).second)
                listing.noRecords.push_back({reasonOf, reason});
            continue;
        }
        if (startsWith(name, ".")) continue;  // hidden, as in a folder
        ListedFile listedFile =
            listed(path, name, identity, shown + "/" + utf8Name(folders), receipts[folders]);
        listedFile.inArchive = file.place;
        listing.files.push_back(std::move(listedFile));
    }
}

// Whether `folder` is plainly a course platform's download, unpacked into a folder beside the
// other files: it holds a person's submission folder, or a file whose name carries a platform's
// identity (a prefix, an attempt's file or its receipt). A folder that cannot be read is none:
// it is listed as a folder not read.
bool isPlatformDownload(const std::string& folder) {
    std::vector<std::string> names;
    try {
        names = namesIn(folder);
    } catch (const InboxError&) {
        return false;
    }
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return !downloadNameOf(name).identity.empty() ||
               (submissionFolderIdentity(name) &&
                entryKindOf(joinPath(folder, name)) == EntryKind::folder);
    });
}

// The files of `folder`, the files of `identity` when it is a person's submission folder. In a
// folder that is none, the submission folders are read too, and the names of their files shown
// after the folder's (`shownFolder`), since every person's folder may hold a "send_1209.txt".
// In a folder named (`shownFolder` empty) that is no submission folder, a folder that is
// plainly a platform's download is read the same way; any other folder in it, the instructor's
// own, is listed as not read. Links are never followed into a folder, so the walk stays inside
// the folder named and ends.
void listFolder(const std::string& folder, const std::string& identity,
                const std::string& shownFolder, InboxListing& listing) {
    std::vector<std::string> names;
    try {
        names = namesIn(folder);
    } catch (const InboxError& error) {
        listing.notRead.push_back({shownFolder + utf8Name(nameOf(folder)), error.what()});
        return;
    }
    ReceiptNames receipts;
    for (const std::string& name : names)
        if (downloadNameOf(name).receipt)
            receipts.add(name, [&] {
                return readFileUpTo(joinPath(folder, name), largestReceipt, "a receipt");
            });
    for (const std::string& name : names) {
        const std::string path = joinPath(folder, name);
        const bool inFolder = entryKindOf(path) == EntryKind::folder;
        const std::optional<std::string> person = submissionFolderIdentity(name);
        const std::string shown = shownFolder + utf8Name(name);
        if (std::string reason = plainlyNoRecord(name, inFolder, !identity.empty());
            !reason.empty())
            listing.noRecords.push_back({shown, std::move(reason)});
        else if (inFolder && person && identity.empty())
            listFolder(path, *person, shown + "/", listing);
        else if (inFolder && shownFolder.empty() && identity.empty() && isPlatformDownload(path))
            listFolder(path, {}, shown + "/", listing);
        else if (std::string problem = entryProblem(folder, path); !problem.empty())
            listing.notRead.push_back({shown, std::move(problem)});
        else if (isArchiveName(name) && !inFolder)
            listArchiveFiles(path, shown, listing);
        else
            listing.files.push_back(listed(path, name, identity, shownFolder, receipts));
    }
}

// Whether `a` and `b` name one file: the same name, in the same place once every link is
// followed.
bool sameFile(const std::string& a, const std::string& b) {
    if (nameOf(a) != nameOf(b)) return false;
    try {
        return resolvedPath(a) == resolvedPath(b);
    } catch (const InboxError&) {
        return false;  // reading it says why
    }
}

// Moves the instructor's files among the files listed to the files that are no record files.
void setAsideInstructorsFiles(const std::vector<InstructorsFile>& instructors,
                              InboxListing& listing) {
    auto set = [&](const ListedFile& file) {
        if (file.inArchive) return false;
        for (const InstructorsFile& given : instructors)
            if (sameFile(file.path, given.path)) {
                listing.noRecords.push_back({file.name, given.what + ", not a record file"});
                return true;
            }
        return false;
    };
    listing.files.erase(std::remove_if(listing.files.begin(), listing.files.end(), set),
                        listing.files.end());
}

}  // namespace

InboxListing listInbox(const std::vector<std::string>& paths,
                       const std::vector<InstructorsFile>& instructors) {
    InboxListing listing;
    for (const std::string& path : paths) {
        if (isFolder(path))
            listFolder(path, identityOfFolder(path), {}, listing);
        else if (isArchiveName(nameOf(path)))
            listArchiveFiles(path, utf8Name(nameOf(path)), listing);
        else
            listing.files.push_back(
                listed(path, nameOf(path), identityOfFolder(folderOf(path)), {}, {}));
    }
    setAsideInstructorsFiles(instructors, listing);
    return listing;
}

}  // namespace qatutor::inbox
