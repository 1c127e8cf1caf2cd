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
#include "records/startup.h"

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

std::string nameFromPath(const std::string& path) {
    std::string name = fs::path(path).filename().string();
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

void readOne(const std::string& path, const CourseIndex& course, Inbox& inbox) {
    const std::string name = nameFromPath(path);
    auto notRead = [&](std::string reason) { inbox.notRead.push_back({name, std::move(reason)}); };

    StudentFile file;
    file.path = path;
    file.name = name;
    std::tie(file.student, file.kind) = studentOf(fs::path(path).filename().string());
    if (startsWith(name, "notes_") && endsWith(name, ".txt")) {
        inbox.remarks.push_back(
            {name, "a notes file, not read: its notes are also in the send and master files"});
        return;
    }

    std::string bytes, reason;
    if (!readWholeFile(path, bytes, reason)) return notRead(reason);
    if (bytes.empty()) return notRead("empty (0 bytes)");
    if (bytes.find('\0') != std::string::npos) return notRead("a binary file, not a record file");
    file.savedAsUtf8 = restoreWindows1252(bytes);
    file.lineEndsRestored = normalizeLineEnds(bytes);
    file.parsed = parseRecordFile(bytes, course);
    if (!file.parsed.problem.empty()) return notRead(file.parsed.problem);

    if (file.kind == FileKind::other)
        for (const Record& record : file.parsed.records)
            if (!record.numberLine.empty()) file.kind = FileKind::master;
    if (file.savedAsUtf8)
        inbox.remarks.push_back(
            {name, "saved again as UTF-8 (by an editor); read back as Windows-1252"});
    if (file.lineEndsRestored)
        inbox.remarks.push_back(
            {name, "its line ends were LF (changed by a mail program); read as CR LF"});
    for (const Run& run : file.parsed.runs)
        if (run.courseTitle != courseTitleText) {
            inbox.remarks.push_back(
                {name, "written for another course, \"" + cp1252::toUtf8(run.courseTitle) +
                           "\"; its lines are looked up in this course's bank"});
            break;
        }
    const std::size_t count = file.parsed.records.size();
    if (file.parsed.cutOff) {
        const std::size_t whole = count - (count && file.parsed.records.back().incomplete);
        notRead("cut off inside its last " +
                std::string(count && file.parsed.records.back().incomplete
                                ? "record (shown, marked incomplete)"
                                : "file header") +
                "; " +
                (whole == 1 ? std::string("the 1 record before it is read")
                            : "the " + std::to_string(whole) + " records before it are read"));
    }
    file.duplicate.assign(count, false);
    inbox.files.push_back(std::move(file));
}

void readFolder(const std::string& folder, const CourseIndex& course, Inbox& inbox) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (startsWith(name, ".") || name == reportName || name == csvName) continue;
        names.push_back(name);
    }
    if (error) {
        inbox.notRead.push_back(
            {nameFromPath(folder), "the folder cannot be read: " + error.message()});
        return;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = (fs::path(folder) / name).string();
        std::error_code kindError;
        if (fs::is_directory(fs::symlink_status(path, kindError)))
            inbox.notRead.push_back(
                {utf8Name(name), "a folder inside the folder; its files are not read"});
        else
            readOne(path, course, inbox);
    }
}

// "HH:MM:SS" -> seconds since midnight; -1 for another text.
int secondsOf(std::string_view time) {
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return -1;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(time[i])) return -1;
    auto two = [&](std::size_t i) { return (time[i] - '0') * 10 + (time[i + 1] - '0'); };
    return two(0) * 3600 + two(3) * 60 + two(6);
}

// The tutor writes each record to the master file and the send file alike, a second apart at
// most; a student who sends both, or one file twice, would have every record counted twice.
void markDuplicates(Inbox& inbox) {
    auto keyOf = [](const StudentFile& file, const Record& record) {
        std::size_t key = std::hash<std::string>()(file.student);
        for (std::string_view part :
             {std::string_view(record.assignment),
              std::string_view(file.parsed.runs[record.run].date), record.quoted(),
              std::string_view(record.text), std::string_view(record.rating)})
            key = key * 1000003 ^ std::hash<std::string_view>()(part);
        return key * 31 + static_cast<std::size_t>(record.kind) * 7 +
               static_cast<std::size_t>(record.ratingKind);
    };
    auto same = [](const StudentFile& a, const Record& x, const StudentFile& b, const Record& y) {
        return a.student == b.student && x.kind == y.kind && x.ratingKind == y.ratingKind &&
               x.assignment == y.assignment && x.rating == y.rating && x.text == y.text &&
               x.quoted() == y.quoted() && a.parsed.runs[x.run].date == b.parsed.runs[y.run].date &&
               std::abs(secondsOf(x.time) - secondsOf(y.time)) <= 1;
    };
    struct Held {
        const StudentFile* file;
        const Record* record;
        bool used = false;
    };
    std::unordered_multimap<std::size_t, Held> master;
    for (const StudentFile& file : inbox.files)
        if (file.kind == FileKind::master)
            for (const Record& record : file.parsed.records)
                master.emplace(keyOf(file, record), Held{&file, &record});
    for (StudentFile& file : inbox.files) {
        if (file.kind == FileKind::master) continue;
        for (std::size_t i = 0; i < file.parsed.records.size(); ++i) {
            const Record& record = file.parsed.records[i];
            auto [first, last] = master.equal_range(keyOf(file, record));
            for (auto it = first; it != last; ++it) {
                if (it->second.used || !same(file, record, *it->second.file, *it->second.record))
                    continue;
                it->second.used = true;
                file.duplicate[i] = true;
                ++inbox.duplicates;
                break;
            }
        }
    }
    // A file that came twice (mailed again, or a day's send file sent after each run) holds the
    // same records as the other file of its kind; each is shown from the first file that holds
    // it. Two equal records within one file are two records and both stay.
    std::unordered_multimap<std::size_t, Held> seen;
    for (StudentFile& file : inbox.files) {
        std::vector<std::pair<std::size_t, Held>> added;
        for (std::size_t i = 0; i < file.parsed.records.size(); ++i) {
            if (file.duplicate[i]) continue;
            const Record& record = file.parsed.records[i];
            const std::size_t key = keyOf(file, record);
            auto [first, last] = seen.equal_range(key);
            for (auto it = first; it != last; ++it) {
                if (it->second.used || it->second.file->kind != file.kind ||
                    !same(file, record, *it->second.file, *it->second.record))
                    continue;
                it->second.used = true;
                file.duplicate[i] = true;
                ++inbox.duplicates;
                break;
            }
            if (!file.duplicate[i]) added.push_back({key, Held{&file, &record}});
        }
        seen.insert(added.begin(), added.end());
    }
}

// Drops ".txt" in any case ("send_1207Ann_Lee.TXT" from a Windows mail program); true if there was one.
bool dropTxt(std::string& stem) {
    if (stem.size() < 4 || toLower(std::string_view(stem).substr(stem.size() - 4)) != ".txt")
        return false;
    stem.resize(stem.size() - 4);
    return true;
}

// Drops the mark a browser or mail program adds to a second attachment of the same name:
// "Ann_Lee (1)", "Ann_Lee(2)", "Ann_Lee-1"; the student is the same.
void dropCopyMark(std::string& stem) {
    std::size_t end = stem.size();
    const bool bracketed = end && stem[end - 1] == ')';
    if (bracketed) --end;
    std::size_t digits = 0;
    while (digits < end && isDigit(stem[end - 1 - digits])) ++digits;
    if (digits == 0 || digits > 3 || digits == end) return;
    end -= digits;
    if (stem[end - 1] != (bracketed ? '(' : '-')) return;
    --end;
    if (bracketed && end && stem[end - 1] == ' ') --end;
    if (end > 0) stem.resize(end);
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
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > bytes.size()) return cp1252::toUtf8(bytes);
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 2) return cp1252::toUtf8(bytes);
        i += length;
    }
    return bytes;
}

std::pair<std::string, FileKind> studentOf(const std::string& fileName) {
    std::string stem = composedLetters(utf8Name(fileName));
    FileKind kind = FileKind::other;
    if (dropTxt(stem)) {
        dropCopyMark(stem);
        dropTxt(stem);
        if (startsWith(stem, "send_") && stem.size() >= 9 &&
            std::all_of(stem.begin() + 5, stem.begin() + 9, isDigit)) {
            stem = stem.substr(9);
            kind = FileKind::send;
        } else if (startsWith(stem, "masterFile_")) {
            stem = stem.substr(11);
            kind = FileKind::master;
        }
    }
    if (kind != FileKind::other) std::replace(stem.begin(), stem.end(), '_', ' ');
    return {stem, kind};
}

Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course) {
    Inbox inbox;
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error))
            readFolder(path, course, inbox);
        else
            readOne(path, course, inbox);
    }
    markDuplicates(inbox);
    return inbox;
}

}  // namespace qatutor::inbox
