#include "inbox/inbox.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <unordered_map>

#include "base/cp1252.h"
#include "inbox/inbox_error.h"
#include "inbox/platform.h"
#include "inbox/student_work.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

// A record file of a few megabytes is years of work; anything far beyond is not one.
constexpr std::uint64_t largestRecordFile = 256 << 20;

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

}  // namespace

std::string readWholeFile(const std::string& path) {
    return readFileUpTo(path, largestRecordFile, "a record file");
}

namespace {

// What the report says of a file that an editor saved again; nothing for one it did not.
std::string resaveRemark(Resave resave) {
    switch (resave) {
    case Resave::none: return {};
    case Resave::utf8: return "saved again as UTF-8 (by an editor); read back as Windows-1252";
    case Resave::utf8Replaced:
        return "saved again as UTF-8 by an editor that replaced the characters it could not read "
               "with \"\xEF\xBF\xBD\": the file header's noise line cannot be restored, the "
               "records can (a replaced character shows as \"?\")";
    case Resave::utf16:
        return "saved again as UTF-16 (Notepad's \"Unicode\"); read back as Windows-1252";
    }
    return {};
}

// The bytes of a record file as the tutor wrote them: Windows-1252, CR LF line ends, every blank
// in place; an editor's or mail program's re-save is undone, with a remark on it added to
// `remarks`, for the report once the file is read. Throws InboxError saying why the file is
// not read.
std::string readRecordBytes(StudentFile& file, const std::optional<ArchivePlace>& inArchive,
                            std::vector<FileLine>& remarks) {
    std::string bytes = inArchive ? readArchiveFile(file.path, *inArchive, largestRecordFile)
                                  : readWholeFile(file.path);
    if (bytes.empty()) throw InboxError("empty (0 bytes)");
    file.resave = restoreWindows1252(bytes);
    if (bytes.find('\0') != std::string::npos) throw InboxError("a binary file, not a record file");
    auto remark = [&](std::string reason) { remarks.push_back({file.name, std::move(reason)}); };
    if (std::string resaved = resaveRemark(file.resave); !resaved.empty()) remark(resaved);
    file.lineEndsRestored = normalizeLineEnds(bytes);
    if (file.lineEndsRestored)
        remark("its line ends were LF (changed by a mail program); read as CR LF");
    if (restoreTrimmedBlanks(bytes))
        remark(
            "the blanks at the ends of its lines were removed (by an editor); the record "
            "labels are read without them, a response's own trailing blanks are lost");
    return bytes;
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

void readOne(const ListedFile& listed, const CourseIndex& course, Inbox& inbox) {
    StudentFile file;
    file.path = listed.path;
    file.name = listed.name;
    file.student = listed.student;
    file.identity = listed.identity;
    file.kind = listed.kind;
    if (listed.notes) {
        inbox.remarks.push_back(
            {file.name, "a notes file, not read: its notes are also in the send and master files"});
        return;
    }
    // A file that fails, even for want of memory (a file of many short lines under the size
    // cap can need more), is one line of the report; the other files are read all the same.
    // How its bytes were restored is remarked on only when it is read: a letter with LF line
    // ends is a file not read, nothing else.
    std::vector<FileLine> remarks;
    try {
        file.parsed = parseRecordFile(readRecordBytes(file, listed.inArchive, remarks), course);
    } catch (const InboxError& error) {
        inbox.notRead.push_back({file.name, error.what()});
        return;
    } catch (const std::bad_alloc&) {
        inbox.notRead.push_back({file.name, "too large to read in the memory there is"});
        return;
    }
    if (!file.parsed.problem.empty()) {
        inbox.notRead.push_back({file.name, file.parsed.problem});
        return;
    }
    if (file.kind == FileKind::other)
        for (const Record& record : file.parsed.records)
            if (!record.numberLine.empty()) file.kind = FileKind::master;
    inbox.remarks.insert(inbox.remarks.end(), remarks.begin(), remarks.end());
    reportReading(file, inbox);
    file.duplicate.assign(file.parsed.records.size(), false);
    inbox.files.push_back(std::move(file));
}

// Two records are one when everything the tutor wrote of them is the same but the time, which
// the master file and the send file may show a second apart.
std::size_t identityHash(const StudentFile& file, const Record& record, bool acrossIdentities) {
    std::size_t key = std::hash<std::string>()(file.student) ^
                      (acrossIdentities ? 0 : std::hash<std::string>()(file.identity));
    for (std::string_view part :
         {std::string_view(record.assignment), std::string_view(file.parsed.runs[record.run].date),
          record.quoted(), std::string_view(record.text), std::string_view(record.rating)})
        key = key * 1000003 ^ std::hash<std::string_view>()(part);
    return key * 31 + static_cast<std::size_t>(record.kind) * 7 +
           static_cast<std::size_t>(record.ratingKind);
}

bool sameRecord(const StudentFile& a, const Record& x, const StudentFile& b, const Record& y,
                bool acrossIdentities) {
    constexpr int secondsApart = 1;
    return a.student == b.student && (acrossIdentities || a.identity == b.identity) &&
           x.kind == y.kind && x.ratingKind == y.ratingKind && x.assignment == y.assignment &&
           x.rating == y.rating && x.text == y.text && x.quoted() == y.quoted() &&
           a.parsed.runs[x.run].date == b.parsed.runs[y.run].date &&
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

// Pairs of files, by their places in inbox.files, that hold a record in common.
using SharingFiles = std::set<std::pair<std::size_t, std::size_t>>;

// The tutor writes each record to the master file and the send file alike, and a student may
// send a file twice, or a day's send file after each run, so that one record may stand in any
// number of files. Each file's records are matched against the records already counted, one
// counted record to one record of the file: two equal records within one file are two records.
// The files of one person under several platform identities (`acrossIdentities`: another
// identity in each download, or a file mailed beside the platform's) share their records too.
SharingFiles markDuplicates(Inbox& inbox, bool acrossIdentities) {
    struct Counted {
        std::size_t file;  // its place in inbox.files
        const Record* record;
        std::size_t lastMatchedBy;  // the file that matched it last, by its place in the order
        std::vector<std::size_t> holders;  // every file that holds it, by place in inbox.files
    };
    std::unordered_multimap<std::size_t, Counted> counted;
    SharingFiles sharing;
    const std::vector<StudentFile*> order = masterFilesFirst(inbox);
    for (std::size_t f = 0; f < order.size(); ++f) {
        StudentFile& file = *order[f];
        const auto place = static_cast<std::size_t>(order[f] - inbox.files.data());
        for (std::size_t i = 0; i < file.parsed.records.size(); ++i) {
            const Record& record = file.parsed.records[i];
            const std::size_t hash = identityHash(file, record, acrossIdentities);
            auto [first, last] = counted.equal_range(hash);
            const auto match = std::find_if(first, last, [&](const auto& entry) {
                const Counted& c = entry.second;
                return c.lastMatchedBy != f &&
                       sameRecord(file, record, inbox.files[c.file], *c.record, acrossIdentities);
            });
            if (match == last) {
                counted.emplace(hash, Counted{place, &record, f, {place}});
                continue;
            }
            match->second.lastMatchedBy = f;
            // Files that hold one record share it, whichever of them was read first.
            for (std::size_t holder : match->second.holders)
                if (holder != place) sharing.insert(std::minmax(place, holder));
            match->second.holders.push_back(place);
            file.duplicate[i] = true;
            ++inbox.duplicates;
        }
    }
    return sharing;
}

// The assignment and date of each run of `file` that holds a record: {"007", "12-07-2026"}.
std::set<std::pair<std::string, std::string>> runsWithRecords(const StudentFile& file) {
    std::set<std::pair<std::string, std::string>> runs;
    for (const Record& record : file.parsed.records)
        runs.insert({record.assignment, file.parsed.runs[record.run].date});
    return runs;
}

// A person's files all come from one tutor: each day's send file holds the day's runs, and a
// file sent again, or sent after each run, holds records of the file before. Two files of one
// name with a run of one assignment on one day and no record in common are therefore, more
// likely than not, the work of two people of that name (or of one on two computers).
void findUnsharedRuns(Inbox& inbox, const SharingFiles& sharing) {
    for (std::size_t a = 0; a < inbox.files.size(); ++a) {
        const StudentFile& first = inbox.files[a];
        for (std::size_t b = a + 1; b < inbox.files.size(); ++b) {
            const StudentFile& second = inbox.files[b];
            if (sharing.count({a, b}) || first.student != second.student ||
                first.identity != second.identity)
                continue;
            const auto runs = runsWithRecords(first), others = runsWithRecords(second);
            for (const auto& [assignment, date] : runs) {
                if (!others.count({assignment, date})) continue;
                inbox.doubts.push_back(
                    {first.student, first.identity, assignment,
                     "two runs of this assignment on " + cp1252::toUtf8(reportDate(date)) +
                         " share no record (" + first.name + ", " + second.name +
                         "): two students of one name, or one on two computers"});
                break;
            }
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

// Says of each identity's work on each assignment that the name stands for several people.
void doubtPeopleApart(Inbox& inbox,
                      const std::map<std::string, std::set<std::string>>& assignmentsOf) {
    std::string list;
    for (const auto& [identity, assignments] : assignmentsOf)
        list += (list.empty() ? "" : ", ") + (identity.empty() ? "files of no platform" : identity);
    const std::string reason = "the name stands for " + std::to_string(assignmentsOf.size()) +
                               " people of the course platform (" + list + "), shown apart";
    const std::string& student = inbox.files.front().student;
    for (const auto& [identity, assignments] : assignmentsOf)
        for (const std::string& assignment : assignments)
            inbox.doubts.push_back({student, identity, assignment, reason});
}

}  // namespace

void readEachStudent(std::vector<ListedFile> files, const CourseIndex& course,
                     const std::function<void(const Inbox&)>& read) {
    std::map<std::string, std::vector<ListedFile>> students;
    for (ListedFile& file : files)
        students[file.student.empty() ? personKey(file.student, file.identity)
                                      : studentKey(file.student)]
            .push_back(std::move(file));
    for (const auto& [student, studentFiles] : students) {
        Inbox inbox;
        for (const ListedFile& file : studentFiles) readOne(file, course, inbox);
        spellStudentsAlike(inbox);
        // The platform's identities of one name are one person's unless two handed in one
        // assignment; then each identity's work, and the mailed files', is a person's of its own.
        std::map<std::string, std::set<std::string>> assignmentsOf;
        for (const StudentFile& file : inbox.files)
            for (const Run& run : file.parsed.runs)
                assignmentsOf[file.identity].insert(run.assignment);
        inbox.peopleApart = identitiesApart(assignmentsOf);
        if (inbox.peopleApart) doubtPeopleApart(inbox, assignmentsOf);
        findUnsharedRuns(inbox, markDuplicates(inbox, !inbox.peopleApart));
        read(inbox);
    }
}

Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course) {
    InboxListing listing = listInbox(paths);
    Inbox all;
    all.notRead = std::move(listing.notRead);
    readEachStudent(std::move(listing.files), course, [&](const Inbox& student) {
        auto append = [](std::vector<FileLine>& to, const std::vector<FileLine>& from) {
            to.insert(to.end(), from.begin(), from.end());
        };
        all.files.insert(all.files.end(), student.files.begin(), student.files.end());
        append(all.notRead, student.notRead);
        append(all.damaged, student.damaged);
        append(all.remarks, student.remarks);
        all.doubts.insert(all.doubts.end(), student.doubts.begin(), student.doubts.end());
        all.duplicates += student.duplicates;
    });
    all.noRecords = std::move(listing.noRecords);
    return all;
}

}  // namespace qatutor::inbox
