// The inbox as a whole: a folder of good and bad files, names, duplicates, the report's escaping
// and the program's exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include "base/cp1252.h"
#include "base/text.h"
#ifdef _WIN32
#include "base/win32/system_text.h"
#endif
#include "inbox/atomic_output.h"
#include "inbox/desktop_start.h"
#include "inbox/html.h"
#include "inbox/inbox.h"
#include "inbox/inbox_error.h"
#include "inbox/output_names.h"
#include "inbox/output_steps.h"
#include "inbox/platform.h"
#include "inbox/records_csv.h"
#include "inbox/report.h"
#include "inbox/run_inbox.h"
#include "inbox/run_output.h"
#include "inbox/student_page.h"
#include "inbox/student_work.h"
#include "inbox_fixtures.h"
#include "program_run.h"
#include "records/record_layout.h"
#include "support/fixture_bank.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

using namespace inbox;

std::string withLf(const std::string& crlf) {
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    return lf;
}

const FileLine* lineFor(const std::vector<FileLine>& lines, const std::string& name) {
    for (const FileLine& line : lines)
        if (line.name == name) return &line;
    return nullptr;
}

TEST(Inbox, EveryBadFileGetsItsLineAndTheRestIsRead) {
    TempFolder folder;
    const std::string send = goldenSend();
    writeFile(folder.file("send_1207Ann_Lee.txt"), send);
    writeFile(folder.file("send_1208Bob_Stone.txt"), withLf(send));
    writeFile(folder.file("send_1209Cut_Off.txt"), send.substr(0, send.size() - 60));
    writeFile(folder.file("letter.txt"), "Dear instructor,\r\nhere is my work.\r\n");
    writeFile(folder.file("empty.txt"), "");
    writeFile(folder.file("picture.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    std::filesystem::create_directory(folder.file("older"));
    writeFile(folder.file("notes_Ann_Lee.txt"), "x");
    // No pipes among a Windows folder's files, and making links there takes rights that an
    // instructor's account does not have.
#ifndef _WIN32
    ASSERT_EQ(::symlink("nowhere.txt", folder.file("send_1210Gone.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.file("send_1211Pipe.txt").c_str(), 0600), 0);
    // A link out of the folder could name any file of the computer; one inside is read.
    TempFolder elsewhere;
    writeFile(elsewhere.file("secret.txt"), send);
    ASSERT_EQ(
        ::symlink(elsewhere.file("secret.txt").c_str(), folder.file("send_1212Out.txt").c_str()),
        0);
    ASSERT_EQ(::symlink("../", folder.file("send_1213Up.txt").c_str()), 0);
    ASSERT_EQ(::symlink("send_1207Ann_Lee.txt", folder.file("send_1214Link.txt").c_str()), 0);
#endif

    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
#ifndef _WIN32
    ASSERT_EQ(inbox.files.size(), 4u);
    EXPECT_EQ(inbox.files[3].student, "Link");
#else
    ASSERT_EQ(inbox.files.size(), 3u);
#endif
    EXPECT_EQ(inbox.files[0].student, "Ann Lee");
    EXPECT_EQ(inbox.files[0].parsed.records.size(), 4u);
    EXPECT_EQ(inbox.files[1].student, "Bob Stone");  // LF line ends: read as CR LF
    EXPECT_TRUE(inbox.files[1].lineEndsRestored);
    EXPECT_EQ(inbox.files[1].parsed.records.size(), 4u);
    EXPECT_EQ(inbox.files[1].parsed.records[1].text, "Line one\r\nLine two");
    EXPECT_TRUE(inbox.files[2].parsed.records.back().incomplete);
    EXPECT_EQ(inbox.files[2].parsed.records.size(), 4u);

    std::vector<std::pair<std::string, std::string>> reasons = {
        {"letter.txt", "does not begin with a file header"},
        {"empty.txt", "0 bytes"},
        {"picture.png", "binary"},
        {"older", "a folder"},
        {"send_1209Cut_Off.txt", "cut off inside its last record"},
    };
#ifndef _WIN32
    reasons.push_back({"send_1212Out.txt", "a link out of the folder"});
    reasons.push_back({"send_1213Up.txt", "a link out of the folder"});
    reasons.push_back({"send_1210Gone.txt", "No such file"});
    reasons.push_back({"send_1211Pipe.txt", "not a regular file"});
#endif
    EXPECT_EQ(inbox.notRead.size(), reasons.size());
    for (const auto& [name, reason] : reasons) {
        const FileLine* line = lineFor(inbox.notRead, name);
        ASSERT_NE(line, nullptr) << name;
        EXPECT_NE(line->reason.find(reason), std::string::npos) << name << ": " << line->reason;
    }
    EXPECT_NE(lineFor(inbox.remarks, "send_1208Bob_Stone.txt"), nullptr);
    EXPECT_NE(lineFor(inbox.remarks, "notes_Ann_Lee.txt"), nullptr);
#ifndef _WIN32
    // Named on the command line, the link is read.
    EXPECT_EQ(readInbox({folder.file("send_1212Out.txt")}, fixtureCourse()).files.size(), 1u);
#endif
}

// Links that lead round in a loop are read like a link that leads nowhere: opening them says why.
TEST(Inbox, ALinkLoopIsNotTakenForALinkOutOfTheFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "making links takes rights that an instructor's account does not have";
#else
    TempFolder folder;
    ASSERT_EQ(::symlink("send_1207Loop.txt", folder.file("loopA").c_str()), 0);
    ASSERT_EQ(::symlink("loopA", folder.file("send_1207Loop.txt").c_str()), 0);
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    for (const char* name : {"loopA", "send_1207Loop.txt"}) {
        const FileLine* line = lineFor(inbox.notRead, name);
        ASSERT_NE(line, nullptr) << name;
        EXPECT_NE(line->reason.find(std::strerror(ELOOP)), std::string::npos) << line->reason;
    }
#endif
}

TEST(Inbox, AFileSentTwiceCountsEachRecordOnce) {
    TempFolder folder;
    const std::string send = goldenSend();
    // The morning's send file, then the same day's file after a second run: the morning's
    // records again, and a second run whose records equal the first's, which are records too.
    writeFile(folder.file("send_1207Ann_Lee.txt"), send);
    writeFile(folder.file("send_1207Ann_Lee-1.txt"), send + send);
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    EXPECT_EQ(inbox.duplicates, 4u);
    const std::vector<StudentWork> work = groupByStudent(inbox, fixtureCourse());
    ASSERT_EQ(work.size(), 1u);
    EXPECT_EQ(work[0].responses, 6);
    EXPECT_EQ(work[0].notes, 2);
}

std::string goldenMaster() {
    std::string master = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/session.master.txt");
    master.replace(master.find("<noise>"), 7, "\xC8\x96\x63\xE6");
    // The master file's lines are written a moment before the send file's.
    for (auto [send, earlier] : {std::pair{"14:05:09", "14:05:08"}, {"14:06:10", "14:06:09"}})
        master.replace(master.find(send), 8, earlier);
    return master;
}

// Ann's three responses and one note, whatever copies of her files arrive in whatever names:
// the master file, her send file mailed again, the morning's send file (her first two records)
// and the evening's of the same day, copies a file manager made.
TEST(Inbox, EveryRecordCountsOnceInAnyMixOfCopies) {
    const std::string send = goldenSend(), master = goldenMaster();
    const std::string closing = std::string(closingLine) + std::string(lineEnd);
    const std::string morning =
        send.substr(0, send.find(closing, send.find("14:06:10")) + closing.size());
    const std::vector<std::vector<std::pair<std::string, std::string>>> mixes = {
        {{"masterFile_Ann_Lee.txt", master},
         {"send_1207Ann_Lee.txt", send},
         {"send_1207Ann_Lee (1).txt", send}},
        {{"send_1207Ann_Lee.txt", send},
         {"send_1207Ann_Lee (1).txt", send},
         {"Copy of send_1207Ann_Lee.txt", send}},
        {{"masterFile_Ann_Lee.txt", master},
         {"send_1207Ann_Lee.txt", morning},
         {"send_1207Ann_Lee (1).txt", send}},
        {{"masterFile_Ann_Lee.txt", master},
         {"send_1207Ann_Lee.txt", send},
         {"send_1207Ann_Lee (1).txt", morning}},
        {{"send_1207Ann_Lee.txt", send}, {"send_1207Ann_Lee (1).txt", morning}},
        {{"send_1207Ann_Lee.txt", morning}, {"send_1207Ann_Lee (1).txt", send}},
        {{"Copy of send_1207Ann_Lee.txt", morning},
         {"masterFile_Ann_Lee.txt", master},
         {"send_1207Ann_Lee.txt", send},
         {"send_1207Ann_Lee-1.txt", morning}},
        {{"SEND_1207ANN_LEE.TXT", morning},
         {"send_1207Ann_Lee 2.txt", send},
         {"masterFile_Ann_Lee - Copy.txt", master},
         {"masterFile_Ann_Lee.txt", master}},
    };
    for (std::size_t m = 0; m < mixes.size(); ++m) {
        TempFolder folder;
        for (const auto& [name, bytes] : mixes[m]) writeFile(folder.file(name), bytes);
        const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
        ASSERT_TRUE(inbox.notRead.empty()) << m << ": " << inbox.notRead.front().reason;
        const std::vector<StudentWork> work = groupByStudent(inbox, fixtureCourse());
        ASSERT_EQ(work.size(), 1u) << m;
        EXPECT_EQ(work[0].student, "Ann Lee") << m;
        EXPECT_EQ(work[0].responses, 3) << m;
        EXPECT_EQ(work[0].notes, 1) << m;
        EXPECT_EQ(work[0].confidenceCount, 2) << m;
        EXPECT_DOUBLE_EQ(work[0].confidenceSum, 3) << m;  // a mean of 1.5
    }
}

// A file saved again by an editor reads back to the same records, with a remark.
TEST(Inbox, EditorsResavesReadBackWithARemark) {
    std::string send = goldenSend();
    send.replace(send.find("I think 12."), 11, "I think 12 \xE9t\xE9.");
    auto utf16 = [&](bool little, bool mark) {
        std::string out = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
        for (char c : send) {
            const char32_t point = cp1252::toCodePoint(static_cast<unsigned char>(c));
            const char low = static_cast<char>(point & 0xFF), high = static_cast<char>(point >> 8);
            out += little ? std::string{low, high} : std::string{high, low};
        }
        return out;
    };
    std::string replaced;  // opened as UTF-8: every byte beyond ASCII lost
    for (char c : send)
        replaced += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
    std::string trimmed;
    for (std::size_t at = 0; at < send.size();) {
        const std::size_t end = send.find("\r\n", at);
        const std::string line = send.substr(at, end - at);
        trimmed += line.substr(0, line.find_last_not_of(' ') + 1) + "\r\n";
        at = end + 2;
    }
    const std::string noLastLineEnd = send.substr(0, send.size() - 2);
    const std::string all = withLf(trimmed.substr(0, trimmed.size() - 2));
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {cp1252::toUtf8(send), "saved again as UTF-8", "I think 12 \xE9t\xE9."},
        {"\xEF\xBB\xBF" + cp1252::toUtf8(send), "saved again as UTF-8", "I think 12 \xE9t\xE9."},
        {utf16(true, true), "UTF-16", "I think 12 \xE9t\xE9."},
        {utf16(true, false), "UTF-16", "I think 12 \xE9t\xE9."},
        {utf16(false, true), "UTF-16", "I think 12 \xE9t\xE9."},
        {utf16(false, false), "UTF-16", "I think 12 \xE9t\xE9."},
        {replaced, "noise line cannot be restored", "I think 12 ?t?."},
        {trimmed, "blanks at the ends of its lines were removed", "I think 12 \xE9t\xE9."},
        {noLastLineEnd, "last line end (CR LF) is missing", "I think 12 \xE9t\xE9."},
        {all, "last line end (CR LF) is missing", "I think 12 \xE9t\xE9."},
    };
    const ParsedFile original = parseRecordFile(send, fixtureCourse());
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const auto& [bytes, remark, text] = cases[c];
        TempFolder folder;
        writeFile(folder.file("send_1207Ann_Lee.txt"), bytes);
        const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
        ASSERT_TRUE(inbox.notRead.empty()) << c << ": " << inbox.notRead.front().reason;
        EXPECT_TRUE(inbox.damaged.empty()) << c;
        ASSERT_EQ(inbox.files.size(), 1u) << c;
        const std::vector<Record>& records = inbox.files[0].parsed.records;
        ASSERT_EQ(records.size(), original.records.size()) << c;
        EXPECT_EQ(records[0].text, text) << c;
        for (std::size_t r = 1; r < records.size(); ++r) {
            EXPECT_EQ(records[r].text, original.records[r].text) << c << ", record " << r;
            EXPECT_EQ(records[r].rating, original.records[r].rating) << c << ", record " << r;
            EXPECT_EQ(records[r].quoted(), original.records[r].quoted()) << c << ", record " << r;
        }
        bool remarked = false;
        for (const FileLine& line : inbox.remarks)
            remarked = remarked || line.reason.find(remark) != std::string::npos;
        EXPECT_TRUE(remarked) << c << ": " << remark;
    }
}

TEST(Inbox, TheReportSaysHowManyRecordsItShowedOnce) {
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        {1,
         "1 copy of a record that stands in another file of its student too (the master file, or "
         "a file sent twice) is left out: each record is shown once."},
        {4,
         "4 copies of records that stand in another file of their student too (the master file, "
         "or a file sent twice) are left out: each record is shown once."},
    };
    for (const auto& [duplicates, sentence] : cases) {
        ReportSummary summary;
        summary.duplicates = duplicates;
        const std::string html = writtenBy([&](std::FILE* out) {
            writeReport(out, summary, "the folder", "report-20261207-140509");
        });
        EXPECT_NE(html.find(sentence), std::string::npos) << duplicates;
    }
}

TEST(Inbox, ARunPastMidnightDatesItsLaterResponsesTheNextDay) {
    TempFolder folder;
    std::string send = goldenSend();
    // Started at 23:59 on New Year's Eve; the note after midnight has the new date of its own.
    send.replace(send.find("12-07-2026"), 10, "12-31-2026");
    send.replace(send.find("12-07-2026"), 10, "01-01-2027");
    for (auto [from, to] :
         {std::pair{"14:05:09", "23:59:00"}, {"14:06:10", "00:00:30"}, {"14:07:00", "00:01:00"}})
        for (std::size_t at = send.find(from); at != std::string::npos; at = send.find(from))
            send.replace(at, 8, to);
    writeFile(folder.file("send_1231Ann_Lee.txt"), send);
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    const std::vector<StudentWork> work = groupByStudent(inbox, fixtureCourse());
    ASSERT_EQ(work.size(), 1u);
    std::vector<std::string> when;
    for (const WorkEntry& entry : work[0].entries)
        when.push_back(entry.date + " " + entry.record->time);
    EXPECT_EQ(when, (std::vector<std::string>{"12-31-2026 23:59:00", "01-01-2027 00:00:30",
                                              "01-01-2027 00:01:00", "01-01-2027 00:01:00"}));
    EXPECT_EQ(work[0].first, "2026-12-31 23:59:00");  // the report puts the year first
    EXPECT_EQ(work[0].last, "2027-01-01 00:01:00");
    for (auto [written, shown] : {std::pair{"12-07-2026", "2026-12-07"},
                                  {"01-31-2027", "2027-01-31"},
                                  {"12/07/2026", "12/07/2026"},
                                  {"", ""}})
        EXPECT_EQ(reportDate(written), shown) << written;
}

TEST(Inbox, AFileOfAnotherCourseIsReadAndPointedOut) {
    TempFolder folder;
    std::string other = goldenSend();
    other.replace(other.find("Liberal Arts Mathematics II"), 27, "Calculus I");
    writeFile(folder.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(folder.file("send_1207Dee_Other.txt"), other);
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    ASSERT_EQ(inbox.files.size(), 2u);
    EXPECT_EQ(inbox.files[1].parsed.records.size(), 4u);
    ASSERT_EQ(inbox.remarks.size(), 1u);
    EXPECT_EQ(inbox.remarks[0].name, "send_1207Dee_Other.txt");
    EXPECT_NE(inbox.remarks[0].reason.find("another course, \"Calculus I\""), std::string::npos)
        << inbox.remarks[0].reason;
}

TEST(Inbox, StudentNamesAndKindsComeFromFileNames) {
    const std::vector<std::tuple<std::string, std::string, FileKind>> cases = {
        {"send_1207Ann_Lee.txt", "Ann Lee", FileKind::send},
        {"masterFile_Ann_Lee.txt", "Ann Lee", FileKind::master},
        {"send_1207.txt", "", FileKind::send},
        {"send_12Ann.txt", "send_12Ann", FileKind::other},
        {"send_1207Chlo\xC3\xA9.txt", "Chlo\xC3\xA9", FileKind::send},  // UTF-8 on disk
        {"send_1207Chlo\xE9.txt", "Chlo\xC3\xA9", FileKind::send},      // Windows-1252 on disk
        {"Ann's work.txt", "Ann's work", FileKind::other},
        // names a mail program or browser gave the attachment
        {"send_1207Ann_Lee.TXT", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee.txt.txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (1).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee(12).txt", "Ann Lee", FileKind::send},
        {"masterFile_Ann_Lee-2.txt", "Ann Lee", FileKind::master},
        {"send_1207Ann_Lee (2021).txt", "Ann Lee (2021)", FileKind::send},
        {"send_1207Ann_Lee2.txt", "Ann Lee2", FileKind::send},
        {"send_1207(1).txt", "", FileKind::send},
        // accents as separate marks, as a Mac stores names: the same student as the one-character form
        {"send_1207Zoe\xCC\x88_Bronte\xCC\x88.txt", "Zo\xC3\xAB Bront\xC3\xAB", FileKind::send},
        {"masterFile_Franc\xCC\xA7ois_S\xCC\x8C"
         "e\xCC\x81.txt",
         "Fran\xC3\xA7ois \xC5\xA0\xC3\xA9", FileKind::master},
        {"send_1207x\xCC\x88.txt", "x\xCC\x88",
         FileKind::send},  // no such letter in the tutor's names
        // copies made by file managers and mail programs, and names in capitals
        {"send_1207Ann_Lee 2.txt", "Ann Lee", FileKind::send},
        {"Copy of send_1207Ann_Lee.txt", "Ann Lee", FileKind::send},
        {"Copy (2) of masterFile_Ann_Lee.txt", "Ann Lee", FileKind::master},
        {"SEND_1207ANN_LEE.TXT", "ANN LEE", FileKind::send},
        {"MasterFile_Ann_Lee.TXT", "Ann Lee", FileKind::master},
        {"send_1208Ann_Lee (1).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee - Copy.txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee - Copy (2).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee copy.txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee copy 2.txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (copy).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (another copy).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (3rd copy).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (21st copy) (1).txt", "Ann Lee", FileKind::send},
        {"send_1207Ann_Lee (3 copy).txt", "Ann Lee (3 copy)", FileKind::send},
        {"send_1207Ann_Lee.txt (1).txt", "Ann Lee", FileKind::send},
        {"Copy of letter.txt", "letter", FileKind::other},
        {"Copyright.txt", "Copyright", FileKind::other},
    };
    for (const auto& [file, student, kind] : cases) {
        const auto [gotStudent, gotKind] = studentOf(file);
        EXPECT_EQ(gotStudent, student) << file;
        EXPECT_EQ(gotKind, kind) << file;
    }
    EXPECT_EQ(studentKey(" ANN  Lee "), "ann lee");
    EXPECT_EQ(studentKey("\xC3\x89MILE \xC5\xA0\xC3\x96N"), "\xC3\xA9mile \xC5\xA1\xC3\xB6n");

    // One student in two spellings is one student, in the spelling with small letters; a send
    // file of its header alone lists its student with no response.
    TempFolder folder;
    const std::string send = goldenSend();
    writeFile(folder.file("SEND_1207ANN_LEE.TXT"), send);
    writeFile(folder.file("send_1208Ann_Lee.txt"), send.substr(0, send.find("......!!!!")));
    writeFile(folder.file("send_1209Bob_Stone.txt"), send.substr(0, send.find("......!!!!")));
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    const std::vector<StudentWork> work = groupByStudent(inbox, fixtureCourse());
    ASSERT_EQ(work.size(), 2u);
    EXPECT_EQ(work[0].student, "Ann Lee");
    EXPECT_EQ(work[0].responses, 3);
    EXPECT_EQ(work[1].student, "Bob Stone");
    EXPECT_EQ(work[1].assignment, "002");
    EXPECT_EQ(work[1].responses, 0);
    EXPECT_EQ(work[1].total, 2);
    const std::string page =
        writtenBy([&](std::FILE* out) { writeStudentPage(out, {work[1]}, "report.html"); });
    EXPECT_NE(page.find("0 responses, 0 notes.</p>"), std::string::npos) << page;
}

TEST(Inbox, MasterAndSendFileOfOneStudentCountEachRecordOnce) {
    TempFolder folder;
    const std::string send = goldenSend();
    std::string master = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/session.master.txt");
    master.replace(master.find("<noise>"), 7, "\xC8\x96\x63\xE6");
    writeFile(folder.file("send_1207Ann_Lee.txt"), send);
    writeFile(folder.file("masterFile_Ann_Lee.txt"), master);
    writeFile(folder.file("send_1207Bob_Lee.txt"), send);  // another student with the same work
    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    EXPECT_EQ(inbox.duplicates, 4u);
    const std::vector<StudentWork> work = groupByStudent(inbox, fixtureCourse());
    ASSERT_EQ(work.size(), 2u);
    for (const StudentWork& s : work) {
        EXPECT_EQ(s.responses, 3) << s.student;
        EXPECT_EQ(s.notes, 1) << s.student;
        EXPECT_EQ(s.answered, 2) << s.student;
        EXPECT_EQ(s.total, 2) << s.student;
        EXPECT_EQ(s.confidenceCount, 2) << s.student;
        EXPECT_DOUBLE_EQ(s.confidenceSum, 3) << s.student;
        EXPECT_EQ(s.lowRatings, 1) << s.student;
        EXPECT_EQ(s.oddRatings, 1) << s.student;  // the cancelled self-critique rating
        EXPECT_EQ(s.first, "2026-12-07 14:05:09") << s.student;
        EXPECT_EQ(s.last, "2026-12-07 14:07:00") << s.student;
    }
}

TEST(Inbox, StudentTextIsTextInHtmlAndCsv) {
    const std::vector<std::pair<std::string, std::string>> html = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"a & b \"c\"", "a &amp; b &quot;c&quot;"},
        {"one\r\ntwo", "one\ntwo"},
        {"\x80 \xE9 \x81", "\xE2\x82\xAC \xC3\xA9 \xC2\x81"},
        {std::string("\x01\x1b", 2), "\xE2\x90\x81\xE2\x90\x9B"},
    };
    for (const auto& [bytes, want] : html) EXPECT_EQ(htmlText(bytes), want) << bytes;
    EXPECT_EQ(csvField("say \"hi\",\r\nthen"), "\"say \"\"hi\"\",\r\nthen\"");
    const std::vector<std::pair<std::string, std::optional<int>>> ratings = {{"0", 0},
                                                                             {"3", 3},
                                                                             {" 2 ", 2},
                                                                             {"4", std::nullopt},
                                                                             {"", std::nullopt},
                                                                             {"2.5", std::nullopt},
                                                                             {"-1", std::nullopt}};
    for (const auto& [typed, value] : ratings) EXPECT_EQ(ratingValue(typed), value) << typed;
}

// Means as a spreadsheet's ROUND shows them, and a table a spreadsheet opened by a double
// click reads as UTF-8.
TEST(Inbox, FiguresAndTableReadAsASpreadsheetReadsThem) {
    const std::vector<std::tuple<long long, long long, std::string>> means = {
        {9, 4, "2.3"},  {11, 4, "2.8"}, {6, 3, "2.0"}, {1, 3, "0.3"}, {2, 3, "0.7"},
        {1, 20, "0.1"}, {3, 40, "0.1"}, {0, 5, "0.0"}, {3, 1, "3.0"}, {-9, 4, "-2.3"}};
    for (const auto& [sum, n, want] : means) EXPECT_EQ(meanText(sum, n), want) << sum << "/" << n;
    const std::string header = writtenBy(writeCsvHeader);
    EXPECT_EQ(header.substr(0, 10), "\xEF\xBB\xBFstudent");
}

// A folder the report cannot go into is named as the report's, so that the program can say
// where else to write it.
TEST(Inbox, AFolderTheReportCannotGoIntoIsNamedAsTheReports) {
    TempFolder folder;
    writeFile(folder.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(folder.file("not a folder"), "");
    const InboxRun run = runInbox({folder.path()}, folder.file("not a folder"), fixtureCourse());
    EXPECT_TRUE(run.folderRefused);
    ASSERT_TRUE(run.failure);
    EXPECT_NE(
        std::string(run.failure->what()).find("the report's folder " + folder.file("not a folder")),
        std::string::npos)
        << run.failure->what();
    EXPECT_FALSE(runInbox({folder.path()}, folder.path(), fixtureCourse()).folderRefused);
}

// What `step` fails with, or "" when it does not.
std::string errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const InboxError& error) {
        return error.what();
    }
    return "";
}

TEST(Inbox, AFileIsReadUpToItsCapAndNoFurther) {
    TempFolder folder;
    for (const auto& [size, error] :
         {std::pair<std::size_t, std::string>{16, ""}, {17, "too large for a receipt"}}) {
        writeFile(folder.file("receipt.txt"), std::string(size, 'x'));
        std::string bytes;
        EXPECT_EQ(
            errorOf([&] { bytes = readFileUpTo(folder.file("receipt.txt"), 16, "a receipt"); }),
            error)
            << size;
        EXPECT_EQ(bytes.size(), error.empty() ? size : 0u) << size;
    }
}

TEST(Inbox, OutputReplacesTheOldFileOnlyWhenTheNewOneIsWhole) {
    TempFolder folder;
    EXPECT_EQ(errorOf([&] {
                  writeAtomically(folder.path(), "report.html",
                                  [](std::FILE* out) { std::fputs("old", out); });
              }),
              "");
    EXPECT_EQ(readFile(folder.file("report.html")), "old");
    // A write that fails: the old file stays, and no temporary file is left behind.
    const std::string error = errorOf([&] {
        writeAtomically(folder.path(), "report.html", [](std::FILE* out) {
            std::fputs("half", out);
            ::close(::fileno(out));
        });
    });
    EXPECT_NE(error, "");
    EXPECT_EQ(readFile(folder.file("report.html")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    EXPECT_NE(
        errorOf([&] { writeAtomically(folder.file("missing"), "report.html", [](std::FILE*) {}); }),
        "");
}

// Two runs into one folder at once: the second waits until the first has ended, and the report
// left is the second's, beside its own run's folder alone.
TEST(Inbox, TwoRunsIntoOneFolderTakeTurns) {
    TempFolder folder;
    std::atomic<bool> firstEnded = false, secondStarted = false;
    std::unique_ptr<RunOutput> first;
    ASSERT_EQ(errorOf([&] { first = std::make_unique<RunOutput>(folder.path()); }), "");
    std::string secondLink, secondError;
    // The gate: the second run has found the folder locked and is about to wait.
    std::promise<void> secondWaits;
    FolderLock::waitingForAnotherRun = [&] { secondWaits.set_value(); };
    std::thread second([&] {
        secondError = errorOf([&] {
            RunOutput run(folder.path());
            secondStarted = true;
            EXPECT_TRUE(firstEnded);
            std::FILE* csv = run.create(csvName);
            std::fputs("second", csv);
            run.finish(csv);
            secondLink = run.linkTo(csvName);
            run.commit([&](std::FILE* out) { std::fputs(secondLink.c_str(), out); });
        });
    });
    secondWaits.get_future().wait();
    FolderLock::waitingForAnotherRun = nullptr;
    EXPECT_FALSE(secondStarted);
    std::FILE* csv = first->create(csvName);
    ASSERT_NE(csv, nullptr);
    std::fputs("first", csv);
    first->finish(csv);
    EXPECT_EQ(
        errorOf([&] {
            first->commit([&](std::FILE* out) { std::fputs(first->linkTo(csvName).c_str(), out); });
        }),
        "");
    EXPECT_EQ(readFile(folder.file(reportName)), first->linkTo(csvName));
    firstEnded = true;
    first.reset();
    second.join();

    EXPECT_EQ(secondError, "");
    EXPECT_EQ(readFile(folder.file(reportName)), secondLink);
    EXPECT_EQ(readFile(folder.path() + "/" + secondLink), "second");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (const std::string name = entry.path().filename().string(); !startsWith(name, "."))
            left.push_back(name);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{secondLink.substr(0, secondLink.find('/')), reportName}));
    const std::string missing = folder.file("missing");
    EXPECT_TRUE(startsWith(errorOf([&] { RunOutput run(missing); }),
                           "cannot open the report's folder " + missing + ": "));
}

// A write that fails is told with its own reason, whatever the inbox asked of the system after it.
TEST(Inbox, AFailedWriteIsToldWithItsOwnReason) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that is always full";
#else
    std::FILE* full = createOutputFile("/dev/full");
    const std::string error = errorOf([&] {
        try {
            put(full, std::string(200 << 10, 'x'));
        } catch (...) {
            std::fclose(full);
            throw;
        }
        isFolder("/no/such");
        finishOutputFile(full);
    });
    EXPECT_EQ(error, std::strerror(ENOSPC));
#endif
}

// A report that cannot be written leaves the earlier one, with the records table beside it
// that an earlier version wrote.
TEST(Inbox, AReportThatFailsLeavesTheEarlierOneWhole) {
    TempFolder folder;
    const std::string oldCsv =
        "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,"
        "status\r\n\"Old\"\r\n";
    const std::string oldReport = "<a href=\"records.csv\">records</a>";
    writeFile(folder.file(csvName), oldCsv);
    writeFile(folder.file(reportName), oldReport);
    RunOutput output(folder.path());
    output.finish(output.create(csvName));
    EXPECT_NE(errorOf([&] {
                  output.commit([](std::FILE*) { throw InboxError("No space left on device"); });
              }),
              "");
    EXPECT_EQ(readFile(folder.file(reportName)), oldReport);
    EXPECT_EQ(readFile(folder.file(csvName)), oldCsv);
}

// A run's folder is named by the second it started, even when the clock turns while a free
// name is sought.
TEST(Inbox, ARunIsNamedByTheSecondItStarted) {
    TempFolder folder;
    std::time_t now = 1796652309;  // 2026-12-07, near 14:05
    char started[32];
    std::strftime(started, sizeof started, "report-%Y%m%d-%H%M%S", std::localtime(&now));
    ASSERT_TRUE(std::filesystem::create_directory(folder.file(started)));
    replaceClock([&] { return now++; });
    std::string link;
    const std::string error = errorOf([&] { link = RunOutput(folder.path()).linkTo(csvName); });
    replaceClock(nullptr);
    EXPECT_EQ(error, "");
    EXPECT_EQ(link, std::string(started) + "-2/records.csv");
}

// A folder and files named in other scripts are found, read and written beside, on every system
// (on Windows the file system's names are UTF-16, and a name must not pass through the code page).

TEST(Inbox, NamesInAnyScriptAreReadAndWrittenBeside) {
    TempFolder top;
    const std::string folder =
        top.path() + "/\xC3\x89l\xC3\xA8ves \xCE\x9C\xCE\xB1\xCE\xB8";  // Élèves Μαθ
    ASSERT_TRUE(std::filesystem::create_directory(pathOf(folder)));
    const std::vector<std::string> names = {
        "send_1207Zo\xC3\xAB_Lee.txt",                            // Zoë, in Windows-1252 too
        "send_1207\xCE\x9D\xCE\xAF\xCE\xBA\xCE\xBF\xCF\x82.txt",  // Νίκος, which it cannot hold
        "send_1207\xE6\x9D\x8E - Copy.txt"};                      // 李, a copy of his file
    for (const std::string& name : names)
        std::ofstream(pathOf(folder + "/" + name), std::ios::binary) << goldenSend();
    const InboxRun run = runInbox({folder}, folder, fixtureCourse());
    ASSERT_FALSE(run.failure) << run.failure->what();
    for (const FileLine& line : run.notRead) ADD_FAILURE() << line.name << ": " << line.reason;
    EXPECT_EQ(run.totals.files, 3u);
    EXPECT_EQ(run.totals.students, 3u);
    EXPECT_TRUE(std::filesystem::is_regular_file(pathOf(run.reportPath))) << run.reportPath;
    EXPECT_TRUE(std::filesystem::is_regular_file(pathOf(run.csvPath))) << run.csvPath;
    std::ifstream csvFile(pathOf(run.csvPath), std::ios::binary);
    const std::string csv{std::istreambuf_iterator<char>(csvFile), {}};
    for (const char* student :
         {"Zo\xC3\xAB Lee", "\xCE\x9D\xCE\xAF\xCE\xBA\xCE\xBF\xCF\x82", "\xE6\x9D\x8E"})
        EXPECT_NE(csv.find(student), std::string::npos) << student;
    EXPECT_EQ(runProgram("\"" + folder + "\""), 0);  // and named on the command line
}

// The cells of one CSV row, unquoted.
std::vector<std::string> csvCells(std::string_view row) {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < row.size();) {
        std::string cell;
        for (++i; i < row.size(); ++i) {  // past the opening quote
            if (row[i] == '"' && (i + 1 == row.size() || row[i + 1] != '"')) break;
            if (row[i] == '"') ++i;
            cell += row[i];
        }
        cells.push_back(cell);
        i += 2;  // the closing quote and the comma
    }
    return cells;
}

TEST(Inbox, NoCellOfTheRecordsTableRunsAsAFormula) {
    // Every column a student's file or file name fills, with every character that starts a
    // formula; the other cells hold plain text meanwhile and must come out as they went in.
    const std::vector<std::string> columns = {"student",    "file",   "date", "time",
                                              "assignment", "rating", "text", "identity"};
    const std::vector<std::string> starts = {"=", "+", "-", "@", "\t", "\r"};
    for (const std::string& column : columns) {
        for (const std::string& start : starts) {
            const std::string typed = start + "HYPERLINK(\"http://x\",\"y\")";
            auto plain = [&](const std::string& name, std::string text) {
                return name == column ? typed : text;
            };
            StudentFile file;
            file.name = plain("file", "send_1207Ann_Lee.txt");
            file.identity = plain("identity", "Ann Lee_1234567");
            Record record;
            record.time = plain("time", "14:05:09");
            record.ratingKind = RatingKind::confidence;
            record.rating = plain("rating", "2");
            record.text = plain("text", "P(7,3) = 210");
            StudentWork work;
            work.student = plain("student", "Ann Lee");
            work.assignment = plain("assignment", "003");
            work.identity = "Ann Lee_7654321";  // each row takes its own file's identity
            work.entries.push_back({&file, &record, plain("date", "12-07-2026"), ""});

            const std::string row = writtenBy([&](std::FILE* out) { writeCsvRows(out, {work}); });
            const std::vector<std::string> cells =
                csvCells(std::string_view(row).substr(0, row.size() - 2));
            const std::string guarded = "'" + typed;
            const std::vector<std::string> want = {
                column == "student" ? guarded : "Ann Lee",
                column == "file" ? guarded : "send_1207Ann_Lee.txt",
                column == "date" ? guarded : "12-07-2026",
                column == "time" ? guarded : "14:05:09",
                column == "assignment" ? guarded : "003",
                "",
                "before the first question",
                "response",
                "confidence",
                column == "rating" ? guarded : "2",
                column == "text" ? guarded : "P(7,3) = 210",
                "complete",
                column == "date" ? guarded : "2026-12-07",
                column == "identity" ? guarded : "Ann Lee_1234567"};
            EXPECT_EQ(cells, want) << column << " starting with " << int(start[0]);
        }
    }
    for (const std::string kept : {"a=1", " =1", "'=1", "1-2", ""})
        EXPECT_EQ(csvField(kept), "\"" + std::string(kept) + "\"") << kept;
}

// The run's folder that report.html links to: "report-20261207-140509".
std::string runFolderOf(const std::string& folder) {
    const std::string html = readFile(folder + "/report.html");
    const std::size_t at = html.find("href=\"report-");
    if (at == std::string::npos) return {};
    return html.substr(at + 6, html.find('/', at) - at - 6);
}

// Every link of report.html into a run's folder leads to a file there: the report stands with
// the records table and the pages of its own run.
bool reportIsWhole(const std::string& folder) {
    const std::string html = readFile(folder + "/report.html");
    std::size_t links = 0;
    for (std::size_t at = html.find("href=\"report-"); at != std::string::npos;
         at = html.find("href=\"report-", at + 1), ++links) {
        const std::size_t end = html.find_first_of("#\"", at + 6);
        if (!exists(folder + "/" + html.substr(at + 6, end - at - 6))) return false;
    }
    return links > 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(InboxProgram, AKilledRunLeavesNeitherAMixedReportNorFilesTheNextRunKeeps) {
    TempFolder folder;
    std::string send = goldenSend();
    for (int student = 0; student < 150; ++student)
        writeFile(folder.file("send_1207Student_" + std::to_string(student) + ".txt"), send);
    // Left by runs killed before this version: half-written temporaries, and the records table
    // that stood beside the report then. Kept: what the instructor put there.
    writeFile(folder.file(".report.html.a1B2c3"), "<html>half");
    writeFile(folder.file("records.csv"),
              "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,"
              "status\r\n\"Old\"\r\n");
    std::filesystem::create_directory(folder.file("report-20261201-090000"));
    writeFile(folder.file("report-20261201-090000/my notes.txt"), "mine");
    writeFile(folder.file(".report.html.bak"), "mine");

    // Whatever report is there after each kill goes with its own run.
    for (int delay : killDelays) {
        killProgramAfter(folder.path(), std::chrono::milliseconds(delay));
        EXPECT_TRUE(!exists(folder.file("report.html")) || reportIsWhole(folder.path())) << delay;
    }
    ASSERT_EQ(runProgram(folder.path()), 0);
    ASSERT_TRUE(reportIsWhole(folder.path()));
    std::vector<std::string> left, kept = {".report.html.bak", runFolderOf(folder.path()),
                                           "report-20261201-090000", "report.html"};
#ifdef _WIN32
    kept.push_back(runLockName);  // Windows cannot lock a folder: its runs lock this file
#endif
    for (const std::string& name : namesIn(folder.path()))
        if (!startsWith(name, "send_")) left.push_back(name);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
    // A page per student, records.csv, overview.html and questions.html.
    EXPECT_EQ(namesIn(folder.file(runFolderOf(folder.path()))).size(), 153u);
}

TEST(InboxProgram, ExitStatusSaysWhetherEveryFileWasRead) {
    TempFolder good, bad, out;
    writeFile(good.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(bad.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(bad.file("empty.txt"), "");
    EXPECT_EQ(runProgram(good.path()), 0);
    EXPECT_TRUE(exists(good.file("report.html")));
    EXPECT_TRUE(exists(good.file(runFolderOf(good.path()) + "/records.csv")));
    EXPECT_EQ(runProgram(bad.path() + " --out " + out.path()), 1);
    TempFolder damaged;  // read, but a line came in between two records
    std::string send = goldenSend();
    send.insert(send.rfind("......!!!!", send.find("14:06:10")), "x\r\n");
    writeFile(damaged.file("send_1207Ann_Lee.txt"), send);
    EXPECT_EQ(runProgram(damaged.path()), 1);
    EXPECT_NE(readFile(damaged.file("report.html")).find("Read with damage"), std::string::npos);
    const std::string csv = readFile(damaged.file(runFolderOf(damaged.path()) + "/records.csv"));
    EXPECT_NE(csv.find("\"next to damage\""), std::string::npos);
    EXPECT_EQ(csv.find("\"damaged\""), std::string::npos);  // the line came between records
    send.replace(send.find("    ", send.find("14:06:10") - 60), 4, "\t");  // inside a record
    writeFile(damaged.file("send_1207Ann_Lee.txt"), send);
    EXPECT_EQ(runProgram(damaged.path()), 1);
    EXPECT_NE(
        readFile(damaged.file(runFolderOf(damaged.path()) + "/records.csv")).find("\"damaged\""),
        std::string::npos);
    EXPECT_TRUE(exists(out.file("report.html")));
    EXPECT_FALSE(exists(bad.file("report.html")));
    EXPECT_EQ(runProgram("--help"), 0);
    for (const std::string& usage :
         {std::string(), std::string("--out"), std::string("--frobnicate ") + good.path(),
          good.path() + " --out " + good.file("nowhere"), good.file("nowhere"),
          good.path() + " --class", good.path() + " --class=" + good.file("nowhere")})
        EXPECT_EQ(runProgram(usage), 2) << usage;
}

// A usage error says what is wrong with the command line.
TEST(InboxProgram, AUsageErrorSaysWhatIsWrong) {
    TempFolder folder, capture;
    writeFile(folder.file("f.txt"), "");
    writeFile(folder.file("aliases.txt"), "# one student\nAnn Lee = Anne Lee\nBob Stone\n");
    writeFile(folder.file("list.xlsx"), std::string("PK\x03\x04\x14\0", 6));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {folder.path() + " --out " + folder.file("f.txt"), "f.txt is not a folder"},
        {folder.path() + " --out " + folder.file("nowhere"),
         "cannot find the output folder " + folder.file("nowhere")},
        {folder.path() + " --aliases " + folder.file("aliases.txt"),
         "cannot read the aliases file " + folder.file("aliases.txt") +
             ": line 3: one name only, \"Bob Stone\""},
        {folder.path() + " -a " + folder.file("nowhere"),
         "cannot read the aliases file " + folder.file("nowhere") + ": cannot be opened"},
        {folder.path() + " --class=" + folder.file("list.xlsx"),
         "cannot read the class list " + folder.file("list.xlsx") + ": not text: line 1"},
        {folder.path() + " --aliases", "--aliases needs a file"},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const auto& [arguments, message] = cases[c];
        const std::string output = capture.file(std::to_string(c));  // a file of its own each
        EXPECT_EQ(runProgram(arguments, output), 2) << arguments;
        EXPECT_NE(readFile(output).find(message), std::string::npos) << readFile(output);
    }
}

// A folder named with a separator at its end, as tab completion writes it (on Windows either
// separator, and in quotes, where Windows reads the \" at its end as a quote), is the folder
// itself; the report's path is shown as the system writes paths.
TEST(InboxProgram, AFolderMayEndInASeparator) {
    TempFolder folder, out, capture;
    writeFile(folder.file("send_1207Ann_Lee.txt"), goldenSend());
    std::vector<std::string> ends = {"/"};
    if (TempFolder::separator != '/') ends.push_back(std::string(1, TempFolder::separator));
    std::size_t runs = 0;
    for (const std::string& end : ends) {
        const std::vector<std::pair<std::string, std::string>> cases = {
            {folder.path() + end, folder.file("report.html")},
            {"\"" + folder.path() + end + "\"", folder.file("report.html")},
            {folder.path() + " --out \"" + out.path() + end + "\"", out.file("report.html")},
        };
        for (const auto& [arguments, report] : cases) {
            const std::string capturedOutput = capture.file(std::to_string(++runs));
            EXPECT_EQ(runProgram(arguments, capturedOutput), 0) << arguments;
            const std::string output = withLf(readFile(capturedOutput));
            EXPECT_NE(output.find("Report: " + report + "\n"), std::string::npos) << output;
        }
    }
}

// The desktop's dialogs, scripted: the folder chosen, and what the inbox showed.
struct ScriptedDesktop : Desktop {
    std::optional<std::string> folder, classList;
    bool browser = true;
    std::string opened, placeShown, error, suggested;

    std::optional<std::string> chooseFolder() override { return folder; }
    std::optional<std::string> chooseClassList(const std::string&,
                                               const std::string& offered) override {
        suggested = offered;
        return classList;
    }
    bool openInBrowser(const std::string& path) override {
        opened = path;
        return browser;
    }
    void showReportPlace(const std::string& path) override { placeShown = path; }
    void showError(const std::string& message) override { error = message; }
};

// The folder comes from the dialog in the desktop's UTF-16 and reaches the inbox as UTF-8, in
// any script; whatever fails is shown, and ends nothing else.
TEST(InboxDesktop, TheChosenFolderIsReadInAnyScriptAndEveryFailureShown) {
    TempFolder top;
    // Élèves Μαθηματικά, and a folder of that name that is not there
    const std::string folder = top.file(
        "\xC3\x89l\xC3\xA8ves \xCE\x9C\xCE\xB1\xCE\xB8\xCE\xB7\xCE\xBC\xCE\xB1\xCF\x84\xCE\xB9"
        "\xCE\xBA\xCE\xAC");
    const std::string missing = folder + " 2";
    ASSERT_TRUE(std::filesystem::create_directory(pathOf(folder)));
    writeFile(folder + TempFolder::separator + "send_1207Ann_Lee.txt", goldenSend());
    const std::string report = folder + TempFolder::separator + "report.html";
    struct Case {
        std::optional<std::string> chosen;
        bool browser;
        int status;
        std::string opened, placeShown, error;
    };
    const std::vector<Case> cases = {
        {folder, true, 0, report, "", ""},
        {folder + TempFolder::separator, true, 0, report, "", ""},
        {folder, false, 0, report, report, ""},  // no browser: where the report is, is shown
        {std::nullopt, true, 0, "", "", ""},     // cancelled
        {missing, true, 2, "", "",
         "The report could not be written:\ncannot open the report's folder " + missing + ": "},
        // "C:\...\Élèves" in the code page's bytes, which are no UTF-8
        {top.file("\xC9l\xE8ves"), true, 2, "", "",
         "The report could not be written:\ncannot open the report's folder "},
    };
    for (const Case& c : cases) {
        ScriptedDesktop desktop;
        desktop.folder = c.chosen;
        desktop.browser = c.browser;
        EXPECT_EQ(runFromDesktop(desktop, fixtureCourse()), c.status) << desktop.error;
        EXPECT_EQ(desktop.opened, c.opened);
        EXPECT_EQ(desktop.placeShown, c.placeShown);
        EXPECT_TRUE(c.error.empty() ? desktop.error.empty() : startsWith(desktop.error, c.error))
            << desktop.error;
    }
    EXPECT_TRUE(exists(report));
}

// After the folder, the class list: a file in the folder that is plainly one is offered first;
// skipped, the report has no class section; one that cannot be read is told, and the report is
// written without it. The class list chosen, read or not, and the spreadsheets beside it are no
// student's files that were not read (status 0); a list of plain text not chosen is one.
TEST(InboxDesktop, TheClassListIsOfferedAndWhatCannotBeReadIsTold) {
    TempFolder one, two, three;
    writeFile(three.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(three.file("classlist.txt"), "Name\r\n");  // a heading, and nobody
    for (const TempFolder* folder : {&one, &two}) {
        writeFile(folder->file("send_1207Ann_Lee.txt"), goldenSend());
        writeFile(folder->file("Class List.csv"), "Name\r\nAnn Lee\r\nBob Stone\r\n");
    }
    writeFile(two.file("roster.txt"), "Ann Lee\nBob Stone\n");  // two lists: none offered
    writeFile(two.file("grades.xlsx"), std::string("PK\x03\x04\x14\0\x06\0", 8));
    struct Case {
        const TempFolder& folder;
        std::optional<std::string> chosen;
        std::string suggested, error;
        bool classList;  // read, and its names in the report
        int status;
    };
    const std::vector<Case> cases = {
        {one, std::nullopt, one.file("Class List.csv"), "", false, 0},
        {one, one.file("Class List.csv"), one.file("Class List.csv"), "", true, 0},
        {two, two.file("roster.txt"), "", "", true, 0},
        {two, two.file("grades.xlsx"), "",
         "The class list " + two.file("grades.xlsx") + " cannot be read: not text: line 1 ", false,
         1},
        {two, two.file("nowhere.csv"), "",
         "The class list " + two.file("nowhere.csv") + " cannot be read: cannot be opened: ", false,
         1},
        {three, three.file("classlist.txt"), three.file("classlist.txt"),
         "The class list " + three.file("classlist.txt") + " cannot be read: names no student.",
         false, 0},
    };
    for (const Case& c : cases) {
        const std::string what = c.chosen.value_or("skipped");
        ScriptedDesktop desktop;
        desktop.folder = c.folder.path();
        desktop.classList = c.chosen;
        EXPECT_EQ(runFromDesktop(desktop, fixtureCourse()), c.status) << what;
        EXPECT_EQ(desktop.suggested, c.suggested) << what;
        EXPECT_TRUE(c.error.empty() ? desktop.error.empty() : startsWith(desktop.error, c.error))
            << what << ": " << desktop.error;
        EXPECT_EQ(desktop.opened, c.folder.file("report.html")) << what;
        const std::string report = readFile(c.folder.file("report.html"));
        // Bob Stone, who handed nothing in, is named by the class list alone.
        EXPECT_EQ(report.find("Bob Stone") != std::string::npos, c.classList) << what;
    }
}

#ifdef _WIN32
// Wine shows every name that starts with a point as hidden, unless its registry says
// ShowDotFiles; there the test runs again in a process of its own that is told so, where only
// Windows' hidden mark counts.
bool dotNamesLookHidden() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") &&
           !std::getenv("QATUTOR_DOT_NAMES_SHOWN");
}

int rerunShowingDotNames(const std::string& test) {
    HKEY wine = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &wine, nullptr);
    ::RegSetValueExW(wine, L"ShowDotFiles", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Y"),
                     2 * sizeof(wchar_t));
    ::SetEnvironmentVariableW(L"QATUTOR_DOT_NAMES_SHOWN", L"1");
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const int status = runCommand(win32::utf8(self), "--gtest_filter=" + test);
    ::SetEnvironmentVariableW(L"QATUTOR_DOT_NAMES_SHOWN", nullptr);
    ::RegDeleteValueW(wine, L"ShowDotFiles");
    ::RegCloseKey(wine);
    return status;
}

bool isHidden(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(win32::wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

// The temporaries in `folder`: every name that starts with a point but the runs' lock file.
std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : namesIn(folder))
        if (startsWith(name, ".") && name != runLockName) names.push_back(name);
    return names;
}

TEST(InboxOnWindows, OutputsAreHiddenUntilPutInPlace) {
    if (dotNamesLookHidden()) {
        EXPECT_EQ(rerunShowingDotNames("InboxOnWindows.OutputsAreHiddenUntilPutInPlace"), 0);
        return;
    }
    TempFolder folder;
    std::vector<std::string> written;
    writeAtomically(folder.path(), reportName, [&](std::FILE*) {
        written = temporariesIn(folder.path());
        for (const std::string& name : written) EXPECT_TRUE(isHidden(folder.file(name))) << name;
    });
    EXPECT_EQ(written.size(), 1u);
    EXPECT_FALSE(isHidden(folder.file(reportName)));

    RunOutput output(folder.path());
    written = temporariesIn(folder.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(isHidden(folder.file(written[0])));
    output.finish(output.create(csvName));
    output.commit([](std::FILE*) {});
    const std::string link = output.linkTo(csvName);  // "report-20261207-140509/records.csv"
    EXPECT_FALSE(isHidden(folder.file(link.substr(0, link.find('/')))));
    EXPECT_FALSE(isHidden(output.placeOf(csvName)));
    EXPECT_FALSE(isHidden(folder.file(reportName)));
}
#endif

TEST(InboxProgram, NamesOnTheTerminalAreEscaped) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows allows no control characters in the names of files";
#else
    TempFolder folder;
    // A name that would turn the terminal red, clear it and ring it; and one with a C1 control
    // (CSI), which a terminal may act on too.
    writeFile(folder.file("send_1207\x1b[31mRed\x1b[2J\a.txt"), "");
    writeFile(folder.file("send_1207\xC2\x9B"
                          "31mC1.txt"),
              "");
    TempFolder capture;
    EXPECT_EQ(runProgram(folder.path(), capture.file("output")), 1);
    const std::string output = readFile(capture.file("output"));
    EXPECT_NE(output.find("Not read: send_1207\\x1b[31mRed\\x1b[2J\\x07.txt: empty"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Not read: send_1207\\x9b31mC1.txt: empty"), std::string::npos) << output;
    for (char control : {'\x1b', '\a'}) EXPECT_EQ(output.find(control), std::string::npos);
    EXPECT_EQ(output.find("\xC2\x9B"), std::string::npos);
#endif
}

}  // namespace
}  // namespace qatutor::testing
