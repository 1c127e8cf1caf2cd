// A course platform's download of the students' files, in each layout the platforms give it: one
// row per person with the right counts, the files beside them that are plainly no record files
// listed quietly, and no two people merged without a word; then the class as the platform
// exports it, and who on it has not handed in what.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

#include "inbox/class_list.h"
#include "inbox/class_view.h"
#include "inbox/download_names.h"
#include "inbox/run_inbox.h"
#include "inbox_fixtures.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

using namespace inbox;

// A student's own session: the golden one, its first response made theirs and its hour the
// student's (14 as in the golden files), so that two students' files share no record.
std::string sessionOf(const std::string& student, const std::string& hour = "14") {
    std::string send = goldenSend();
    send.replace(send.find("I think 12."), 11, "I think 12, says " + student + ".");
    for (std::size_t at = send.find("14:0"); at != std::string::npos;
         at = send.find("14:0", at + 2))
        send.replace(at, 2, hour);
    return send;
}

// The same session sent after its first two responses: what a first attempt holds.
std::string firstAttemptOf(const std::string& student) {
    const std::string send = sessionOf(student);
    const std::string closing = std::string(49, '.') + "\r\n";
    return send.substr(0, send.find(closing, send.find("14:06:10")) + closing.size());
}

TEST(Download, PlatformNamesGiveThePersonAndTheStudentsOwnName) {
    const std::vector<std::tuple<std::string, std::string, std::string, bool>> cases = {
        {"leeann_12345_678901_send_1209Ann_Lee.txt", "leeann_12345", "send_1209Ann_Lee.txt", false},
        {"leeann_LATE_12345_678902_send_1209Ann_Lee-1.txt", "leeann_12345",
         "send_1209Ann_Lee-1.txt", false},
        {"Ann Lee_1234567_assignsubmission_file_send_1209.txt", "Ann Lee_1234567", "send_1209.txt",
         false},
        {"Assignment 3_annlee_attempt_2026-12-09-10-11-12_send_1209Ann_Lee.txt", "annlee",
         "send_1209Ann_Lee.txt", false},
        {"Assignment 3_annlee_attempt_2026-12-09-10-11-12.txt", "annlee", "", true},
        // the tutor's own names, whatever numbers and blanks they hold
        {"send_1209Ann_Lee.txt", "", "send_1209Ann_Lee.txt", false},
        {"send_1207Lee_12_34_x.txt", "", "send_1207Lee_12_34_x.txt", false},
        {"Ann_attempt_2026-12-09.txt", "", "Ann_attempt_2026-12-09.txt", false},
    };
    for (const auto& [name, identity, fileName, receipt] : cases) {
        const DownloadName download = downloadNameOf(name);
        EXPECT_EQ(download.identity, identity) << name;
        EXPECT_EQ(download.fileName, fileName) << name;
        EXPECT_EQ(download.receipt, receipt) << name;
    }
    EXPECT_EQ(submissionFolderIdentity("Ann Lee_1234567_assignsubmission_file_"),
              "Ann Lee_1234567");
    EXPECT_EQ(submissionFolderIdentity("week 49"), std::nullopt);
}

struct Row {
    std::string student, identity;
    int responses;
    std::size_t doubts;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{" << row.student << ", " << row.identity << ", " << row.responses << ", "
         << row.doubts << "}";
}

struct Layout {
    const char* what;
    std::map<std::string, std::string> files;  // path in the folder -> bytes
    std::vector<Row> rows;                     // by student, then identity
    std::size_t noRecords;                     // listed quietly
};

TEST(Download, EachLayoutGivesOneRowPerPersonAndMergesNobodySilently) {
    const std::string receipt =
        "Name: Zo\xC3\xAB Lee (annlee)\r\nAssignment: Assignment 3\r\nDate Submitted: ...\r\n";
    const std::string thumbs("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10);
    const std::string desktopIni("\xFF\xFE[\0.\0S\0h\0e\0l\0l\0]\0", 18);
    const std::vector<Layout> layouts = {
        {"a folder per person, unpacked on a Mac",
         {{"Ann Lee_1234567_assignsubmission_file_/send_1207Ann_Lee.txt", sessionOf("Ann")},
          {"Bob Stone_2345678_assignsubmission_file_/send_1207Bob_Stone.txt", sessionOf("Bob")},
          {"__MACOSX/Ann Lee_1234567_assignsubmission_file_/._send_1207Ann_Lee.txt", "x"},
          {"._Bob Stone_2345678_assignsubmission_file_", "x"}},
         {{"Ann Lee", "Ann Lee_1234567", 3, 0}, {"Bob Stone", "Bob Stone_2345678", 3, 0}},
         2},
        {"a folder per person, files without a name",
         {{"Ann Lee_1_assignsubmission_file_/send_1207.txt", sessionOf("Ann")},
          {"Bob Stone_2_assignsubmission_file_/send_1207.txt", sessionOf("Bob")},
          {"Cy Ng_3_assignsubmission_file_/send_1207.txt", sessionOf("Cy")}},
         {{"", "Ann Lee_1", 3, 0}, {"", "Bob Stone_2", 3, 0}, {"", "Cy Ng_3", 3, 0}},
         0},
        {"flat files with the platform's prefix, a late resubmission",
         {{"leeann_12345_678901_send_1207Ann_Lee.txt", firstAttemptOf("Ann")},
          {"leeann_LATE_12345_678902_send_1207Ann_Lee-1.txt", sessionOf("Ann")},
          {"stonebob_23456_678903_send_1207Bob_Stone.txt", sessionOf("Bob")},
          {"Ann Lee_1_assignsubmission_file_send_1207Cy_Ng.txt", sessionOf("Cy")}},
         {{"Ann Lee", "leeann_12345", 3, 0},
          {"Bob Stone", "stonebob_23456", 3, 0},
          {"Cy Ng", "Ann Lee_1", 3, 0}},
         0},
        {"attempts with receipts, beside Windows' files",
         {{"Assignment 3_annlee_attempt_2026-12-07-10-11-12_send_1207Ann_Lee.txt",
           firstAttemptOf("Ann")},
          {"Assignment 3_annlee_attempt_2026-12-07-10-11-12.txt", receipt},
          {"Assignment 3_annlee_attempt_2026-12-07-15-00-00_send_1207Ann_Lee.txt",
           sessionOf("Ann")},
          {"Assignment 3_annlee_attempt_2026-12-07-15-00-00.txt", receipt},
          {"Thumbs.db", thumbs},
          {"desktop.ini", desktopIni}},
         {{"Ann Lee", "annlee", 3, 0}},
         4},
        {"two students of one name mailed their files",
         {{"send_1207Maria_Garcia.txt", sessionOf("one Maria")},
          {"send_1207Maria_Garcia (1).txt", sessionOf("another Maria", "16")}},
         {{"Maria Garcia", "", 6, 1}},
         0},
        {"one name, two people of the platform, and a file of no platform",
         {{"Maria Garcia_111_assignsubmission_file_/send_1207Maria_Garcia.txt",
           sessionOf("one Maria")},
          {"Maria Garcia_222_assignsubmission_file_/send_1207Maria_Garcia.txt",
           sessionOf("another Maria", "16")},
          {"send_1207Maria_Garcia.txt", sessionOf("one Maria")}},
         {{"Maria Garcia", "", 3, 1},
          {"Maria Garcia", "Maria Garcia_111", 3, 1},
          {"Maria Garcia", "Maria Garcia_222", 3, 1}},
         0},
    };
    for (const Layout& layout : layouts) {
        TempFolder folder, out;
        for (const auto& [path, bytes] : layout.files) {
            std::filesystem::create_directories(
                std::filesystem::path(folder.file(path)).parent_path());
            writeFile(folder.file(path), bytes);
        }
        const InboxRun run = runInbox({folder.path()}, out.path(), fixtureCourse());
        ASSERT_EQ(run.error, "") << layout.what;
        for (const FileLine& line : run.notRead) ADD_FAILURE() << layout.what << ": " << line.name;
        EXPECT_EQ(exitStatusOf(run), everyFileRead) << layout.what;
        std::vector<Row> rows;
        int responses = 0;
        for (const OverviewRow& row : run.overview) {
            rows.push_back(
                {row.work.student, row.work.identity, row.work.responses, row.work.doubts.size()});
            responses += row.work.responses;
        }
        EXPECT_EQ(rows, layout.rows) << layout.what;
        EXPECT_EQ(run.totals.students, layout.rows.size()) << layout.what;
        EXPECT_EQ(run.totals.responses, static_cast<std::size_t>(responses)) << layout.what;
        EXPECT_EQ(run.noRecords.size(), layout.noRecords) << layout.what;
        const std::string report = readFile(out.file("report.html"));
        EXPECT_EQ(report.find("saved again"), std::string::npos) << layout.what;
    }
}

TEST(ClassList, EachExportGivesTheStudentsNames) {
    using Names = std::vector<std::string>;
    const std::vector<std::pair<std::string, Names>> cases = {
        {"Name,Email\r\nAnn Lee,ann@x\r\nBob Stone,bob@x\r\n", {"Ann Lee", "Bob Stone"}},
        {"\xEF\xBB\xBF\"First name\",\"Surname\",\"ID number\"\n\"Zo\xC3\xAB\",\"Lee\",\"7\"\n",
         {"Zo\xC3\xAB Lee"}},
        {"Last Name;First Name;Username\r\nStone;Bob;bstone\r\n", {"Bob Stone"}},
        {"Student\tID\n\"Lee, Ann\"\t1\n\n", {"Ann Lee"}},
        {"Ann Lee\r\nLee, Bob\r\n\r\nChlo\xE9 Martin\r\n",
         {"Ann Lee", "Bob Lee", "Chlo\xC3\xA9 Martin"}},
    };
    for (const auto& [bytes, names] : cases) {
        Names got;
        for (const ClassMember& member : parseClassList(bytes)) got.push_back(member.name);
        EXPECT_EQ(got, names) << bytes;
    }
    const ClassList aliased = parseClassList("Name,Aliases\nAnn Lee,Anne Lee; A. Lee\n");
    ASSERT_EQ(aliased.size(), 1u);
    EXPECT_EQ(aliased[0].aliases, (Names{"Anne Lee", "A. Lee"}));

    const std::vector<std::tuple<std::string, std::string, bool>> near = {
        {"Ann Lee", "Anne Lee", true}, {"Zo\xC3\xAB Lee", "Zoe Lee", true},
        {"Lee Ann", "Ann Lee", true},  {"ANN LEE", "ann lee", false},  // one name
        {"Ann Lee", "Bob Lee", false}, {"Christopher Smith", "Christophe Smyth", true},
        {"Ann Lee", "Al Lee", false},  {"", "Ann Lee", false}};
    for (const auto& [a, b, want] : near) EXPECT_EQ(nearNames(a, b), want) << a << " / " << b;
}

TEST(ClassList, TheClassViewSaysWhoIsMissingAndWhoIsNotOnTheList) {
    const ClassList list =
        parseClassList("Name,Aliases\nAnn Lee,\nBob Stone,Robert Stone\nCy Ng,\n");
    const std::vector<HandedIn> work = {{"Ann Lee", "", "003"}, {"Robert Stone", "", "003"},
                                        {"ann lee", "", "004"}, {"Anne Lee", "", "005"},
                                        {"", "Cy Ng_3", "005"}, {"Dee Fox", "", "004"}};
    const ClassView view = viewClass(work, &list);
    using Names = std::vector<std::string>;
    EXPECT_EQ(view.missing.at("003"), (Names{"Cy Ng"}));
    EXPECT_EQ(view.missing.at("004"), (Names{"Bob Stone", "Cy Ng"}));
    EXPECT_EQ(view.missing.at("005"), (Names{"Ann Lee", "Bob Stone"}));
    EXPECT_TRUE(view.nothingHandedIn.empty());
    EXPECT_EQ(view.notOnList, (Names{"Anne Lee", "Dee Fox"}));
    ASSERT_EQ(view.near.size(), 1u);
    EXPECT_EQ(view.near[0], (std::pair<std::string, std::string>{"Anne Lee", "Ann Lee"}));
    // Without a class list, the names in the files are held against each other.
    const ClassView unlisted = viewClass(work, nullptr);
    EXPECT_FALSE(unlisted.listGiven);
    EXPECT_EQ(unlisted.near.size(), 1u);
}

}  // namespace
}  // namespace qatutor::testing
