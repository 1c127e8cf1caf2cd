#include "inbox/inbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "base/cp1252.h"
#include "base/text.h"
#include "inbox/path_text.h"
#include "inbox/run_output.h"
#include "records/record_layout.h"

#ifdef _WIN32
// Windows never blocks on opening a file and has no exec to close descriptors across; what it
// needs instead is binary mode, so that line ends are read as the files hold them.
#define O_NONBLOCK 0
#define O_CLOEXEC O_BINARY
#endif

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

// A record file of a few megabytes is years of work; anything far beyond is not one.
constexpr off_t largestRecordFile = 256L << 20;

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// "notes_Ann_Lee.txt": the notes file, whose notes the send and master files hold as well.
bool isNotesFileName(std::string_view name) {
    return startsWith(toLower(name), toLower(notesFilePrefix)) &&
           endsWith(toLower(name), recordFileExtension);
}

// "line 23: expected the time line ...; line 80: expected ...", the first few places.
std::string damageLine(const ParsedFile& parsed) {
    constexpr std::size_t placesNamed = 3;
    std::string line;
    for (std::size_t i = 0; i < parsed.damage.size() && i < placesNamed; ++i)
        line += (i ? "; line " : "line ") + std::to_string(parsed.damage[i].line) + ": expected " +
                parsed.damage[i].expected;
    if (const std::size_t more = parsed.damage.size() - std::min(parsed.damage.size(), placesNamed))
        line += "; and " + std::to_string(more) + (more == 1 ? " more place" : " more places");
    return line + ". What could be read is shown, the records there marked";
}

std::string nameFromPath(const std::string& path) {
    std::string name = textOf(pathOf(path).filename());
    if (name.empty()) name = path;  // "dir/" names the folder itself
    return utf8Name(name);
}

// Why a file of this kind is no record file; empty when it may be one.
std::string kindProblem(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "a folder, not a record file";
    if (!S_ISREG(info.st_mode)) return "not a regular file (a pipe, socket or device)";
    if (info.st_size > largestRecordFile) return "too large for a record file";
    return {};
}

// Reads a whole regular file; on failure `reason` says why. Opens without blocking, so a pipe
// or a device never holds the inbox up.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& reason) {
#ifdef _WIN32
    const int fd = ::_wopen(pathOf(path).c_str(), O_RDONLY | O_BINARY);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
    if (fd < 0) {
        reason = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        reason = std::string("cannot be read: ") + std::strerror(errno);
    else
        reason = kindProblem(info);
    if (reason.empty()) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size()) bytes.resize(bytes.size() + 4096);  // the file grew
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) reason = std::string("cannot be read: ") + std::strerror(errno);
            if (got <= 0) break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return reason.empty();
}

// Reads the bytes of a record file as the tutor wrote them: Windows-1252, CR LF line ends, every
// blank in place; an editor's or mail program's re-save is undone and remarked on.
bool readRecordBytes(StudentFile& file, std::string& bytes, Inbox& inbox) {
    auto notRead = [&](std::string reason) {
        inbox.notRead.push_back({file.name, std::move(reason)});
        return false;
    };
    auto remark = [&](std::string reason) {
        inbox.remarks.push_back({file.name, std::move(reason)});
    };
    std::string reason;
    if (!readWholeFile(file.path, bytes, reason)) return notRead(reason);
    if (bytes.empty()) return notRead("empty (0 bytes)");
    file.resave = restoreWindows1252(bytes);
    if (bytes.find('\0') != std::string::npos) return notRead("a binary file, not a record file");
    switch (file.resave) {
    case Resave::none: break;
    case Resave::utf8:
        remark("saved again as UTF-8 (by an editor); read back as Windows-1252");
        break;
    case Resave::utf8Replaced:
        remark(
            "saved again as UTF-8 by an editor that replaced the characters it could not read "
            "with \"\xEF\xBF\xBD\": the file header's noise line cannot be restored, the "
            "records can (a replaced character shows as \"?\")");
        break;
    case Resave::utf16:
        remark("saved again as UTF-16 (Notepad's \"Unicode\"); read back as Windows-1252");
        break;
    }
    file.lineEndsRestored = normalizeLineEnds(bytes);
    if (file.lineEndsRestored)
        remark("its line ends were LF (changed by a mail program); read as CR LF");
    if (restoreTrimmedBlanks(bytes))
        remark(
            "the blanks at the ends of its lines were removed (by an editor); the record "
            "labels are read without them, a response's own trailing blanks are lost");
    return true;
}

// What the instructor should know of a file that was read: another course, a cut or damage.
void reportReading(const StudentFile& file, Inbox& inbox) {
    const ParsedFile& parsed = file.parsed;
    if (parsed.lastLineEndMissing)
        inbox.remarks.push_back(
            {file.name,
             "its last line end (CR LF) is missing (removed by an editor); read as if "
             "it were there"});
    for (const Run& run : parsed.runs)
        if (run.courseTitle != courseTitleText) {
            inbox.remarks.push_back(
                {file.name, "written for another course, \"" + cp1252::toUtf8(run.courseTitle) +
                                "\"; its lines are looked up in this course's bank"});
            break;
        }
    if (!parsed.damage.empty()) inbox.damaged.push_back({file.name, damageLine(parsed)});
    if (parsed.cutOff) {
        const std::size_t count = parsed.records.size();
        const bool inRecord = count && parsed.records.back().incomplete;
        const std::size_t whole = count - inRecord;
        inbox.notRead.push_back(
            {file.name,
             "cut off inside its last " +
                 std::string(inRecord ? "record (shown, marked incomplete)" : "file header") +
                 "; " +
                 (whole == 1 ? std::string("the 1 record before it is read")
                             : "the " + std::to_string(whole) + " records before it are read")});
    }
}

void readOne(const std::string& path, const CourseIndex& course, Inbox& inbox) {
    StudentFile file;
    file.path = path;
    file.name = nameFromPath(path);
    std::tie(file.student, file.kind) = studentOf(textOf(pathOf(path).filename()));
    if (isNotesFileName(file.name)) {
        inbox.remarks.push_back(
            {file.name, "a notes file, not read: its notes are also in the send and master files"});
        return;
    }
    std::string bytes;
    if (!readRecordBytes(file, bytes, inbox)) return;
    file.parsed = parseRecordFile(bytes, course);
    if (!file.parsed.problem.empty()) {
        inbox.notRead.push_back({file.name, file.parsed.problem});
        return;
    }
    if (file.kind == FileKind::other)
        for (const Record& record : file.parsed.records)
            if (!record.numberLine.empty()) file.kind = FileKind::master;
    reportReading(file, inbox);
    file.duplicate.assign(file.parsed.records.size(), false);
    inbox.files.push_back(std::move(file));
}

// Why a folder's entry is not read, if it is not: a folder, or a link to a place out of the
// folder (which could name any file of the computer).
std::string entryProblem(const fs::path& folder, const fs::path& entry) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(entry, error);
    if (fs::is_directory(status)) return "a folder inside the folder; its files are not read";
    if (!fs::is_symlink(status)) return {};
    const fs::path target = fs::weakly_canonical(entry, error);
    const fs::path inside = fs::weakly_canonical(folder, error);
    if (error) return {};  // unreadable: opening it says why
    const auto [end, rest] =
        std::mismatch(inside.begin(), inside.end(), target.begin(), target.end());
    if (end != inside.end() || rest == target.end())
        return "a link out of the folder, not read (name the file itself to read it)";
    return {};
}

// Two records are one when everything the tutor wrote of them is the same but the time, which
// the master file and the send file may show a second apart.
std::size_t identityHash(const StudentFile& file, const Record& record) {
    std::size_t key = std::hash<std::string>()(file.student);
    for (std::string_view part :
         {std::string_view(record.assignment), std::string_view(file.parsed.runs[record.run].date),
          record.quoted(), std::string_view(record.text), std::string_view(record.rating)})
        key = key * 1000003 ^ std::hash<std::string_view>()(part);
    return key * 31 + static_cast<std::size_t>(record.kind) * 7 +
           static_cast<std::size_t>(record.ratingKind);
}

bool sameRecord(const StudentFile& a, const Record& x, const StudentFile& b, const Record& y) {
    constexpr int secondsApart = 1;
    return a.student == b.student && x.kind == y.kind && x.ratingKind == y.ratingKind &&
           x.assignment == y.assignment && x.rating == y.rating && x.text == y.text &&
           x.quoted() == y.quoted() && a.parsed.runs[x.run].date == b.parsed.runs[y.run].date &&
           std::abs(secondsOf(x.time) - secondsOf(y.time)) <= secondsApart;
}

// Master files first: a record is shown from the master file, which numbers its question, then
// from the first file that holds it.
std::vector<StudentFile*> masterFilesFirst(Inbox& inbox) {
    std::vector<StudentFile*> order;
    for (StudentFile& file : inbox.files) order.push_back(&file);
    std::stable_partition(order.begin(), order.end(),
                          [](const StudentFile* file) { return file->kind == FileKind::master; });
    return order;
}

// The tutor writes each record to the master file and the send file alike, and a student may
// send a file twice, or a day's send file after each run, so that one record may stand in any
// number of files. Each file's records are matched against the records already counted, one
// counted record to one record of the file: two equal records within one file are two records.
void markDuplicates(Inbox& inbox) {
    struct Counted {
        const StudentFile* file;
        const Record* record;
        std::size_t lastMatchedBy;  // the file that matched it last, by its place in the order
    };
    std::unordered_multimap<std::size_t, Counted> counted;
    const std::vector<StudentFile*> order = masterFilesFirst(inbox);
    for (std::size_t f = 0; f < order.size(); ++f) {
        StudentFile& file = *order[f];
        for (std::size_t i = 0; i < file.parsed.records.size(); ++i) {
            const Record& record = file.parsed.records[i];
            const std::size_t hash = identityHash(file, record);
            auto [first, last] = counted.equal_range(hash);
            const auto match = std::find_if(first, last, [&](const auto& entry) {
                const Counted& c = entry.second;
                return c.lastMatchedBy != f && sameRecord(file, record, *c.file, *c.record);
            });
            if (match == last) {
                counted.emplace(hash, Counted{&file, &record, f});
                continue;
            }
            match->second.lastMatchedBy = f;
            file.duplicate[i] = true;
            ++inbox.duplicates;
        }
    }
}

// Every file of one student names the student alike: the spelling with both capital and small
// letters ("Ann Lee" rather than "ANN LEE"), else the first one read.
void spellStudentsAlike(Inbox& inbox) {
    auto mixedCase = [](const std::string& name) {
        return std::any_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; }) &&
               std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    };
    std::unordered_map<std::string, std::string> spelling;
    for (const StudentFile& file : inbox.files) {
        auto [at, added] = spelling.try_emplace(studentKey(file.student), file.student);
        if (!added && !mixedCase(at->second) && mixedCase(file.student)) at->second = file.student;
    }
    for (StudentFile& file : inbox.files) file.student = spelling[studentKey(file.student)];
}

// Drops ".txt" in any case ("send_1207Ann_Lee.TXT" from a Windows mail program); true if there was one.
bool dropTxt(std::string& stem) {
    const std::size_t size = recordFileExtension.size();
    if (stem.size() < size ||
        toLower(std::string_view(stem).substr(stem.size() - size)) != recordFileExtension)
        return false;
    stem.resize(stem.size() - size);
    return true;
}

bool dropSuffix(std::string& stem, std::string_view mark) {
    if (stem.size() <= mark.size() ||
        toLower(std::string_view(stem).substr(stem.size() - mark.size())) != mark)
        return false;
    stem.resize(stem.size() - mark.size());
    return true;
}

// Drops one number a browser, mail program or file manager adds to a second file of the same
// name: "Ann_Lee (1)", "Ann_Lee(2)", "Ann_Lee-1", "Ann_Lee 2"; a year, "(2021)", is no such mark.
bool dropCopyNumber(std::string& stem) {
    constexpr std::size_t longestNumber = 3;
    std::size_t end = stem.size();
    const bool bracketed = end && stem[end - 1] == ')';
    if (bracketed) --end;
    std::size_t digits = 0;
    while (digits < end && isDigit(stem[end - 1 - digits])) ++digits;
    if (digits == 0 || digits > longestNumber || digits == end) return false;
    end -= digits;
    const char before = stem[end - 1];
    if (bracketed ? before != '(' : before != '-' && before != ' ') return false;
    --end;
    if (bracketed && end && stem[end - 1] == ' ') --end;
    if (end == 0) return false;
    stem.resize(end);
    return true;
}

// Drops the mark a Linux desktop gives the third and later copies: "Ann_Lee (3rd copy)",
// "Ann_Lee (21st copy)".
bool dropNumberedCopy(std::string& stem) {
    static constexpr std::string_view ending = " copy)";
    const std::string lower = toLower(stem);
    if (!endsWith(lower, ending)) return false;
    std::size_t end = lower.size() - ending.size();
    if (end < 2) return false;
    const std::string_view suffix = std::string_view(lower).substr(end - 2, 2);
    if (suffix != "st" && suffix != "nd" && suffix != "rd" && suffix != "th") return false;
    end -= 2;
    std::size_t digits = 0;
    while (digits < end && isDigit(lower[end - 1 - digits])) ++digits;
    if (digits == 0 || end - digits < 3 || lower.compare(end - digits - 2, 2, " (") != 0)
        return false;
    stem.resize(end - digits - 2);
    return true;
}

// Drops every mark a copy's name ends with, in any letter case: the numbers above, " - Copy"
// (Windows), " copy" (macOS), " (copy)", " (another copy)" and " (3rd copy)" (Linux desktops).
void dropCopyMarks(std::string& stem) {
    static constexpr std::string_view words[] = {" - copy", " copy", " (copy)", " (another copy)"};
    for (bool dropped = true; dropped;) {
        dropped = dropCopyNumber(stem) || dropNumberedCopy(stem);
        for (std::string_view word : words) dropped = dropped || dropSuffix(stem, word);
    }
}

// Drops "Copy of " and "Copy (2) of " (Windows) from the front of a name.
void dropCopyOf(std::string& name) {
    const std::string lower = toLower(name);
    if (!startsWith(lower, "copy ")) return;
    const std::size_t of = lower.find("of ");
    if (of == std::string::npos) return;
    const std::string_view between = std::string_view(lower).substr(5, of - 5);
    const bool numbered =
        between.empty() || (between.size() >= 4 && between.front() == '(' &&
                            between.substr(between.size() - 2) == ") " &&
                            std::all_of(between.begin() + 1, between.end() - 2, isDigit));
    if (numbered) name.erase(0, of + 3);
}

// A name as a Mac or a copy from one stores it, a letter and a combining accent ("e" U+0301),
// with the accented letters the tutor writes in their one-character form ("\xC3\xA9"), so that
// one student's files name one student. Only letters Windows-1252 holds are composed.
std::string composedLetters(const std::string& name) {
    struct Accent {
        unsigned char mark;        // second byte of the UTF-8 of U+03xx
        std::string_view letters;  // the letters it goes on
        std::string_view cp1252;   // the accented letters in Windows-1252, in the same order
    };
    static constexpr Accent accents[] = {
        {0x80, "AEIOUaeiou", "\xC0\xC8\xCC\xD2\xD9\xE0\xE8\xEC\xF2\xF9"},
        {0x81, "AEIOUYaeiouy", "\xC1\xC9\xCD\xD3\xDA\xDD\xE1\xE9\xED\xF3\xFA\xFD"},
        {0x82, "AEIOUaeiou", "\xC2\xCA\xCE\xD4\xDB\xE2\xEA\xEE\xF4\xFB"},
        {0x83, "ANOano", "\xC3\xD1\xD5\xE3\xF1\xF5"},
        {0x88, "AEIOUYaeiouy", "\xC4\xCB\xCF\xD6\xDC\x9F\xE4\xEB\xEF\xF6\xFC\xFF"},
        {0x8A, "Aa", "\xC5\xE5"},
        {0x8C, "SZsz", "\x8A\x8E\x9A\x9E"},
        {0xA7, "Cc", "\xC7\xE7"},
    };
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i + 2 < name.size() && static_cast<unsigned char>(name[i + 1]) == 0xCC) {
            const auto mark = static_cast<unsigned char>(name[i + 2]);
            const Accent* accent = nullptr;
            for (const Accent& a : accents)
                if (a.mark == mark) accent = &a;
            const std::size_t at = accent ? accent->letters.find(name[i]) : std::string_view::npos;
            if (at != std::string_view::npos) {
                out += cp1252::toUtf8(accent->cp1252.substr(at, 1));
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

}  // namespace

std::string utf8Name(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();)
        if (!decodeUtf8(bytes, at)) return cp1252::toUtf8(bytes);
    return bytes;
}

std::pair<std::string, FileKind> studentOf(const std::string& fileName) {
    constexpr std::size_t dateDigits = 4;  // month and day: "send_1207"
    std::string stem = composedLetters(utf8Name(fileName));
    dropCopyOf(stem);
    FileKind kind = FileKind::other;
    if (dropTxt(stem)) {
        dropCopyMarks(stem);
        if (dropTxt(stem)) dropCopyMarks(stem);
        const std::string lower = toLower(stem);
        const std::size_t dateEnd = sendFilePrefix.size() + dateDigits;
        if (startsWith(lower, sendFilePrefix) && stem.size() >= dateEnd &&
            std::all_of(stem.begin() + sendFilePrefix.size(), stem.begin() + dateEnd, isDigit)) {
            stem = stem.substr(dateEnd);
            kind = FileKind::send;
        } else if (startsWith(lower, toLower(masterFilePrefix))) {
            stem = stem.substr(masterFilePrefix.size());
            kind = FileKind::master;
        }
    }
    if (kind != FileKind::other) std::replace(stem.begin(), stem.end(), '_', ' ');
    return {stem, kind};
}

std::string studentKey(std::string_view student) {
    std::string key;
    bool blank = true;  // drops blanks at the start, and keeps one of several
    for (std::size_t at = 0; at < student.size();) {
        const std::size_t begin = at;
        std::optional<char32_t> c = decodeUtf8(student, at);
        if (!c) at = begin + 1;
        if (c == U' ') {
            if (!blank) key += ' ';
            blank = true;
            continue;
        }
        blank = false;
        if (c && ((*c >= 'A' && *c <= 'Z') || (*c >= 0xC0 && *c <= 0xDE && *c != 0xD7)))
            cp1252::appendUtf8(key, *c + 0x20);  // A to Z, and the capitals of Latin-1
        else if (c == U'\u0160' || c == U'\u017D' || c == U'\u0152')
            cp1252::appendUtf8(key, *c + 1);  // S and Z with caron, OE
        else if (c == U'\u0178')
            cp1252::appendUtf8(key, U'\u00FF');  // Y with diaeresis
        else
            key.append(student.substr(begin, at - begin));
    }
    if (!key.empty() && key.back() == ' ') key.pop_back();
    return key;
}

static void listFolder(const std::string& folder, InboxListing& listing) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = textOf(it->path().filename());
        if (startsWith(name, ".") || isReportOutput(name)) continue;
        names.push_back(name);
    }
    if (error) {
        listing.notRead.push_back(
            {nameFromPath(folder), "the folder cannot be read: " + error.message()});
        return;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const fs::path path = pathOf(folder) / pathOf(name);
        if (std::string problem = entryProblem(pathOf(folder), path); !problem.empty())
            listing.notRead.push_back({utf8Name(name), std::move(problem)});
        else
            listing.files.push_back(textOf(path));
    }
}

InboxListing listInbox(const std::vector<std::string>& paths) {
    InboxListing listing;
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_directory(pathOf(path), error))
            listFolder(path, listing);
        else
            listing.files.push_back(path);
    }
    return listing;
}

Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course) {
    Inbox inbox;
    InboxListing listing = listInbox(paths);
    inbox.notRead = std::move(listing.notRead);
    for (const std::string& path : listing.files) readOne(path, course, inbox);
    spellStudentsAlike(inbox);
    markDuplicates(inbox);
    return inbox;
}

}  // namespace qatutor::inbox
