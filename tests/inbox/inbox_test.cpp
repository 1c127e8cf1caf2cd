// The inbox as a whole: a folder of good and bad files, names, duplicates, the report's escaping
// and the program's exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "inbox/atomic_output.h"
#include "inbox/inbox.h"
#include "inbox/report.h"
#include "inbox/run_inbox.h"
#include "inbox/student_work.h"
#include "support/fixture_bank.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

using namespace inbox;

const CourseIndex& fixtureCourse() {
    static const CourseIndex course(fixtureBankLines());
    return course;
}

std::string goldenSend() {
    std::string bytes = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/session.send.txt");
    return bytes.replace(bytes.find("<noise>"), 7, "\xC8\x96\x63\xE6\xB4\x78\xFA\xC9\xBE\xAA");
}

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
#ifndef _WIN32  // no links to nowhere or pipes among a Windows folder's files
    ASSERT_EQ(::symlink("nowhere.txt", folder.file("send_1210Gone.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.file("send_1211Pipe.txt").c_str(), 0600), 0);
#endif
    std::filesystem::create_directory(folder.file("older"));
    writeFile(folder.file("notes_Ann_Lee.txt"), "x");

    const Inbox inbox = readInbox({folder.path()}, fixtureCourse());
    ASSERT_EQ(inbox.files.size(), 3u);
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

TEST(Inbox, TheReportSaysHowManyRecordsItShowedOnce) {
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        {1,
         "1 record stands in more than one file of their student (the master file, or a file "
         "sent twice) and is shown once."},
        {4,
         "4 records stand in more than one file of their student (the master file, or a file "
         "sent twice) and are shown once."},
    };
    for (const auto& [duplicates, sentence] : cases) {
        Inbox inbox;
        inbox.duplicates = duplicates;
        TempFolder folder;
        std::FILE* out = std::fopen(folder.file("report.html").c_str(), "wb");
        writeReport(out, inbox, {}, fixtureCourse(), "the folder");
        std::fclose(out);
        const std::string html = readFile(folder.file("report.html"));
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
    };
    for (const auto& [file, student, kind] : cases) {
        const auto [gotStudent, gotKind] = studentOf(file);
        EXPECT_EQ(gotStudent, student) << file;
        EXPECT_EQ(gotKind, kind) << file;
    }
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

TEST(Inbox, OutputReplacesTheOldFileOnlyWhenTheNewOneIsWhole) {
    TempFolder folder;
    EXPECT_EQ(writeAtomically(folder.path(), "report.html",
                              [](std::FILE* out) { std::fputs("old", out); }),
              "");
    EXPECT_EQ(readFile(folder.file("report.html")), "old");
    // A write that fails: the old file stays, and no temporary file is left behind.
    const std::string error = writeAtomically(folder.path(), "report.html", [](std::FILE* out) {
        std::fputs("half", out);
        ::close(::fileno(out));
    });
    EXPECT_NE(error, "");
    EXPECT_EQ(readFile(folder.file("report.html")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    EXPECT_NE(writeAtomically(folder.file("missing"), "report.html", [](std::FILE*) {}), "");
}

#ifndef _WIN32  // the program runs from a POSIX shell here; under Wine the library's tests run
int runProgram(const std::string& arguments) {
    // No display: the program never opens its folder dialog here.
    const int status =
        std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                     std::string(QATUTOR_INBOX_PROGRAM) + " " + arguments + " >/dev/null 2>&1")
                        .c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InboxProgram, ExitStatusSaysWhetherEveryFileWasRead) {
    TempFolder good, bad, out;
    writeFile(good.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(bad.file("send_1207Ann_Lee.txt"), goldenSend());
    writeFile(bad.file("empty.txt"), "");
    EXPECT_EQ(runProgram(good.path()), 0);
    EXPECT_TRUE(exists(good.file("report.html")));
    EXPECT_TRUE(exists(good.file("records.csv")));
    EXPECT_EQ(runProgram(bad.path() + " --out " + out.path()), 1);
    EXPECT_TRUE(exists(out.file("report.html")));
    EXPECT_FALSE(exists(bad.file("report.html")));
    EXPECT_EQ(runProgram("--help"), 0);
    for (const std::string& usage :
         {std::string(), std::string("--out"), std::string("--frobnicate ") + good.path(),
          good.path() + " --out " + good.file("nowhere"), good.file("nowhere")})
        EXPECT_EQ(runProgram(usage), 2) << usage;
}
#endif

}  // namespace
}  // namespace qatutor::testing
