#include "inbox/download_names.h"

#include <algorithm>
#include <vector>

#include "base/text.h"
#include "inbox/file_names.h"
#include "inbox/inbox_error.h"
#include "inbox/text_encoding.h"

namespace qatutor::inbox {
namespace {

// "_assignsubmission_file_", "_assignsubmission_onlinetext_": what a submission folder's name
// ends with, after the person's name and number.
constexpr std::string_view submissionMark = "_assignsubmission_";
// "_attempt_2026-12-09-10-11-12": an attempt's date and time, year first.
constexpr std::string_view attemptMark = "_attempt_";
constexpr std::string_view attemptTimeShape = "0000-00-00-00-00-00";
constexpr std::string_view lateMark = "LATE";

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// Where the submission mark and its word end: "Ann Lee_1_assignsubmission_file_x" -> the
// place of "x"; npos when the name has no such mark after a person.
std::size_t afterSubmissionMark(std::string_view name, std::size_t& markAt) {
    markAt = name.find(submissionMark);
    if (markAt == std::string_view::npos || markAt == 0) return std::string_view::npos;
    const std::size_t word = markAt + submissionMark.size();
    const std::size_t end = name.find('_', word);
    if (end == std::string_view::npos || end == word) return std::string_view::npos;
    return end + 1;
}

bool fitsShape(std::string_view text, std::string_view shape) {
    if (text.size() < shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '0' ? !isDigit(text[i]) : text[i] != shape[i]) return false;
    return true;
}

// "Assignment 3_annlee_attempt_2026-12-09-10-11-12_send_1209Ann_Lee.txt"
std::optional<DownloadName> attemptName(std::string_view name) {
    const std::size_t mark = name.rfind(attemptMark);
    if (mark == std::string_view::npos) return std::nullopt;
    const std::size_t time = mark + attemptMark.size();
    if (!fitsShape(name.substr(time), attemptTimeShape)) return std::nullopt;
    const std::size_t loginAt = name.rfind('_', mark - 1);
    const std::size_t loginStart = loginAt == std::string_view::npos ? 0 : loginAt + 1;
    if (mark <= loginStart) return std::nullopt;
    DownloadName download;
    download.identity = std::string(name.substr(loginStart, mark - loginStart));
    const std::string_view rest = name.substr(time + attemptTimeShape.size());
    if (rest.empty() || toLower(rest) == ".txt")
        download.receipt = true;
    else if (rest[0] == '_' && rest.size() > 1)
        download.fileName = std::string(rest.substr(1)), download.attempt = true;
    else
        return std::nullopt;
    return download;
}

// "leeann_12345_678901_send_1209Ann_Lee.txt", "leeann_LATE_12345_678902_...": the login, an
// optional late mark, the person's number and the file's number.
std::optional<DownloadName> numberedName(std::string_view name) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find('_', start);
        parts.push_back(name.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    for (std::size_t i = 1; i + 2 < parts.size(); ++i) {
        const std::size_t person = i + (parts[i] == lateMark ? 1 : 0);
        if (person + 2 >= parts.size() || !allDigits(parts[person]) ||
            !allDigits(parts[person + 1]))
            continue;
        const std::size_t loginEnd = static_cast<std::size_t>(parts[i].data() - name.data()) - 1;
        const std::size_t restAt = static_cast<std::size_t>(parts[person + 2].data() - name.data());
        return DownloadName{
            std::string(name.substr(0, loginEnd)) + "_" + std::string(parts[person]),
            std::string(name.substr(restAt)), false};
    }
    return std::nullopt;
}

// A spreadsheet's file, by its lower-case name: the comma separated text a class list is
// exported as, and the spreadsheets' own formats.
bool isSpreadsheetName(std::string_view lowerName) {
    for (std::string_view extension : {".csv", ".xlsx", ".xls", ".ods"})
        if (lowerName.size() > extension.size() &&
            lowerName.substr(lowerName.size() - extension.size()) == extension)
            return true;
    return false;
}

}  // namespace

std::optional<std::string> submissionFolderIdentity(std::string_view folderName) {
    std::size_t markAt = 0;
    if (afterSubmissionMark(folderName, markAt) != folderName.size()) return std::nullopt;
    return std::string(folderName.substr(0, markAt));
}

DownloadName downloadNameOf(std::string_view fileName) {
    std::size_t markAt = 0;
    if (const std::size_t rest = afterSubmissionMark(fileName, markAt);
        rest != std::string_view::npos && rest < fileName.size())
        return {std::string(fileName.substr(0, markAt)), std::string(fileName.substr(rest)), false};
    // A name the tutor gave keeps its meaning, even with blanks and numbers that could pass for
    // a platform's prefix ("send_1207Lee_12_34_x.txt").
    if (studentOf(std::string(fileName)).second == FileKind::other) {
        if (std::optional<DownloadName> attempt = attemptName(fileName)) return *attempt;
        if (std::optional<DownloadName> numbered = numberedName(fileName)) return *numbered;
    }
    return {{}, std::string(fileName), false};
}

std::optional<std::string> nameOnReceipt(std::string_view bytes) {
    constexpr std::string_view nameLabel = "name:";
    std::string text;
    try {
        text = utf8TextOf(bytes);
    } catch (const InboxError&) {
        return std::nullopt;
    }
    for (const std::string& line : piecesOf(text, '\n')) {
        if (!startsWith(toLower(line.substr(0, nameLabel.size())), nameLabel)) continue;
        std::string name = trimmed(std::string_view(line).substr(nameLabel.size()));
        if (name.empty()) return std::nullopt;
        return name;
    }
    return std::nullopt;
}

std::string receiptIdentity(const std::string& name, const std::string& login) {
    const std::string withLogin = " (" + login + ")";
    if (name.size() > withLogin.size() &&
        name.compare(name.size() - withLogin.size(), withLogin.size(), withLogin) == 0)
        return name;
    return name + withLogin;
}

std::string nameInIdentity(std::string_view identity) {
    const std::size_t open = identity.rfind(" (");
    if (open == std::string_view::npos || open == 0 || identity.back() != ')')
        return std::string(identity);
    return std::string(identity.substr(0, open));
}

bool isArchiveName(std::string_view name) {
    constexpr std::string_view extension = ".zip";
    return name.size() > extension.size() &&
           toLower(name.substr(name.size() - extension.size())) == extension;
}

std::string plainlyNoRecord(std::string_view name, bool folder, bool students) {
    const std::string lower = toLower(name);
    if (folder)
        return lower == "__macosx" ? "what macOS adds to an archive, not record files"
                                   : std::string();
    if (startsWith(name, "._")) return "what macOS adds to a file it copies, not a record file";
    if (lower == "thumbs.db") return "Windows' picture cache, not a record file";
    if (lower == "desktop.ini") return "Windows' settings of the folder, not a record file";
    const DownloadName download = downloadNameOf(name);
    if (download.receipt) return "the course platform's receipt of a submission, not a record file";
    if (!students && download.identity.empty() && isSpreadsheetName(lower))
        return "a spreadsheet, not a record file";
    return {};
}

}  // namespace qatutor::inbox
