// A course platform's download of the students' files, in each layout the platforms give it: one
// row per person with the right counts, the files beside them that are plainly no record files
// listed quietly, and no two people merged without a word; then the class as the platform
// exports it, and who on it has not handed in what.
#include <gtest/gtest.h>
#ifdef QATUTOR_TEST_DEFLATE
#include <zlib.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "inbox/class_list.h"
#include "inbox/class_view.h"
#include "inbox/download_names.h"
#include "inbox/inbox_error.h"
#include "inbox/run_inbox.h"
#include "inbox/zip_archive.h"
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

// Little-endian numbers of the archive's records.
std::string le(std::uint32_t value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

std::uint32_t crcOf(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// The bytes of a .zip archive of `files` (path -> bytes), each deflated where the tests have
// zlib, else stored, as a platform's download, with the macOS folder entries it may hold.
std::string zipOf(const std::map<std::string, std::string>& files) {
    std::string archive, directory;
    std::uint32_t count = 0;
    for (const auto& [name, bytes] : files) {
        std::string packed = bytes;
        std::uint16_t method = 0;
#ifdef QATUTOR_TEST_DEFLATE
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        packed.assign(deflateBound(&stream, bytes.size()), '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        stream.avail_in = static_cast<uInt>(bytes.size());
        stream.next_out = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_out = static_cast<uInt>(packed.size());
        deflate(&stream, Z_FINISH);
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        method = 8;
#endif
        const std::string common = le(20, 2) + le(0x800, 2) + le(method, 2) + le(0, 4) +
                                   le(crcOf(bytes), 4) + le(packed.size(), 4) +
                                   le(bytes.size(), 4) + le(name.size(), 2) + le(0, 2);
        directory += le(0x02014b50, 4) + le(20, 2) + common + le(0, 2) + le(0, 2) + le(0, 2) +
                     le(0, 4) + le(archive.size(), 4) + name;
        archive += le(0x04034b50, 4) + common + name + packed;
        ++count;
    }
    return archive + directory + le(0x06054b50, 4) + le(0, 4) + le(count, 2) + le(count, 2) +
           le(directory.size(), 4) + le(archive.size(), 4) + le(0, 2);
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
    std::vector<std::string> notRead = {};     // files and folders not read, by path, sorted
};

// The overview of a run over one layout against the rows it should give; `shownAt` is what
// the names of the files not read start with ("download.zip/" for the layout zipped).
void checkLayout(const InboxRun& run, const Layout& layout, const std::string& what,
                 const std::string& shownAt, const TempFolder& out) {
    ASSERT_FALSE(run.failure) << what << ": " << run.failure->what();
    std::vector<std::string> notRead;
    for (const FileLine& line : run.notRead)
        notRead.push_back(startsWith(line.name, shownAt) ? line.name.substr(shownAt.size())
                                                         : line.name);
    std::sort(notRead.begin(), notRead.end());
    EXPECT_EQ(notRead, layout.notRead) << what;
    EXPECT_EQ(exitStatusOf(run), layout.notRead.empty() ? everyFileRead : someFilesNotRead) << what;
    std::vector<Row> rows;
    int responses = 0;
    for (const OverviewRow& row : run.overview) {
        rows.push_back(
            {row.work.student, row.work.identity, row.work.responses, row.work.doubts.size()});
        responses += row.work.responses;
    }
    EXPECT_EQ(rows, layout.rows) << what;
    EXPECT_EQ(run.totals.students, layout.rows.size()) << what;
    EXPECT_EQ(run.totals.responses, static_cast<std::size_t>(responses)) << what;
    EXPECT_EQ(run.noRecords.size(), layout.noRecords) << what;
    // No file read was saved again by an editor or a mail program, so the report remarks on
    // none, nor on a file it did not read.
    const std::string report = readFile(out.file("report.html"));
    EXPECT_EQ(report.find("saved again"), std::string::npos) << what;
    EXPECT_EQ(report.find("line ends were LF"), std::string::npos) << what;
}

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
         {{"Ann Lee", "Zo\xC3\xAB Lee (annlee)", 3, 0}},
         4},
        {"attempts whose receipts name different people keep the login",
         {{"Assignment 3_annlee_attempt_2026-12-07-10-11-12_send_1207Ann_Lee.txt",
           firstAttemptOf("Ann")},
          {"Assignment 3_annlee_attempt_2026-12-07-10-11-12.txt", "Name: Ann Lee\r\n"},
          {"Assignment 3_annlee_attempt_2026-12-07-15-00-00_send_1207Ann_Lee.txt",
           sessionOf("Ann")},
          {"Assignment 3_annlee_attempt_2026-12-07-15-00-00.txt", "Name: Anna Leigh\r\n"}},
         {{"Ann Lee", "annlee", 3, 0}},
         2},
        {"attempts' files without a name, named by their receipts",
         {{"Assignment 3_annlee_attempt_2026-12-09-10-11-12_send_1209.txt", sessionOf("Zoe")},
          {"Assignment 3_annlee_attempt_2026-12-09-10-11-12.txt",
           "Name: Zo\xEB Lee (annlee)\r\nFiles: send_1209.txt\r\n"},  // Windows-1252
          {"Assignment 3_bstone_attempt_2026-12-09-11-00-00_send_1209.txt", sessionOf("Bob")},
          {"Assignment 3_bstone_attempt_2026-12-09-11-00-00.txt",
           std::string("\xFF\xFEN\0a\0m\0e\0:\0 \0B\0o\0b\0\r\0\n\0", 24)},  // UTF-16
          {"Assignment 3_cy_attempt_2026-12-09-12-00-00_send_1209.txt", sessionOf("Cy")},
          {"Assignment 3_cy_attempt_2026-12-09-12-00-00.txt", "Date Submitted: today\r\n"}},
         {{"", "Bob (bstone)", 3, 0}, {"", "cy", 3, 0}, {"", "Zo\xC3\xAB Lee (annlee)", 3, 0}},
         3},
        {"a receipt too large to be one names nobody",
         {{"Assignment 3_annlee_attempt_2026-12-09-10-11-12_send_1209Ann_Lee.txt",
           sessionOf("Ann")},
          {"Assignment 3_annlee_attempt_2026-12-09-10-11-12.txt",
           "Name: Zoe Lee\r\n" + std::string(largestReceipt, 'x')}},
         {{"Ann Lee", "annlee", 3, 0}},
         1},
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
        {"the instructor's spreadsheets, a letter and a student's wrong attachments",
         {{"send_1207Ann_Lee.txt", sessionOf("Ann")},
          {"Class List.csv", "Name\r\nAnn Lee\r\nBob Stone\r\n"},
          {"grades.XLSX", std::string("PK\x03\x04\x14\0\x06\0", 8)},
          {"grades 2025.xls", thumbs},
          {"marks.ods", std::string("PK\x03\x04\x14\0\0\0", 8)},
          {"letter.txt", "Dear Professor,\nmy file is attached.\n"},
          {"Bob Stone_2_assignsubmission_file_/essay.docx", std::string("PK\x03\x04", 4)},
          {"Bob Stone_2_assignsubmission_file_/send_1207Bob_Stone.csv", "Ann Lee,12\n"},
          {"stonebob_23456_678903_grades.xlsx", std::string("PK\x03\x04", 4)}},
         {{"Ann Lee", "", 3, 0}},
         4,
         {"Bob Stone_2_assignsubmission_file_/essay.docx",
          "Bob Stone_2_assignsubmission_file_/send_1207Bob_Stone.csv", "letter.txt",
          "stonebob_23456_678903_grades.xlsx"}},
        {"a week's downloads saved into one folder, beside mailed files and folders of one's own",
         {{"Assignment 1-1001.zip",
           zipOf({{"Dee Fox_4_assignsubmission_file_/send_1207Dee_Fox.txt", sessionOf("Dee")}})},
          {"Assignment 2-1002/Ann Lee_1000101_assignsubmission_file_/send_1207Ann_Lee.txt",
           sessionOf("Ann")},
          {"Assignment 2-1002/__MACOSX/._x", "x"},
          {"Assignment 3-1003/stonebob_23456_678903_send_1207Bob_Stone.txt", sessionOf("Bob")},
          {"Assignment 3-1003/old/stonebob_23456_678900_send_1207Bob_Stone.txt", sessionOf("Bob")},
          {"Assignment 4-1004/Assignment 4_cyng_attempt_2026-12-07-10-11-12_send_1207Cy_Ng.txt",
           sessionOf("Cy")},
          {"Assignment 4-1004/Assignment 4_cyng_attempt_2026-12-07-10-11-12.txt",
           "Name: Cy Ng (cyng)\r\n"},
          {"send_1207Eve_Ray.txt", sessionOf("Eve")},
          {"marked/send_1207Eve_Ray.txt", sessionOf("Eve")},
          {"marked/Eve's marks.txt", "3 of 3\r\n"}},
         {{"Ann Lee", "Ann Lee_1000101", 3, 0},
          {"Bob Stone", "stonebob_23456", 3, 0},
          {"Cy Ng", "Cy Ng (cyng)", 3, 0},
          {"Dee Fox", "Dee Fox_4", 3, 0},
          {"Eve Ray", "", 3, 0}},
         2,
         {"Assignment 3-1003/old", "marked"}},
    };
    // Each layout as a folder, then as the .zip the platform hands out; a folder that holds
    // downloads as they came, archives among them, only as a folder, and in a build that reads
    // archives (without zlib: see below).
    for (const bool zipped : {false, true}) {
        for (const Layout& layout : layouts) {
            const bool holdsArchive =
                std::any_of(layout.files.begin(), layout.files.end(),
                            [](const auto& file) { return isArchiveName(file.first); });
            if ((zipped || holdsArchive) && !archivesRead) continue;
            if (zipped && holdsArchive) continue;
            const std::string what = layout.what + std::string(zipped ? ", zipped" : "");
            TempFolder folder, out;
            if (zipped) writeFile(folder.file("download.zip"), zipOf(layout.files));
            for (const auto& [path, bytes] : layout.files) {
                if (zipped) break;
                std::filesystem::create_directories(
                    std::filesystem::path(folder.file(path)).parent_path());
                writeFile(folder.file(path), bytes);
            }
            const InboxRun run = runInbox({zipped ? folder.file("download.zip") : folder.path()},
                                          out.path(), fixtureCourse());
            checkLayout(run, layout, what, zipped ? "download.zip/" : "", out);
        }
    }
    // An archive that cannot be read is listed with the reason, as a file not read.
    const std::string zip = zipOf({{"send_1207Ann_Lee.txt", sessionOf("Ann")}});
    std::string flipped = zip;
    flipped[30 + 20 + 5] ^= 0x55;  // in the file's bytes, after its local header and name
    std::vector<std::pair<std::string, std::string>> broken = {
        {zip.substr(0, zip.size() - 10), "its directory is not found"},
        {flipped, "damaged in the archive"}};
    if (!archivesRead) broken = {{zip, "this build of the inbox cannot read"}};
    for (const auto& [bytes, reason] : broken) {
        TempFolder folder;
        writeFile(folder.file("download.zip"), bytes);
        const InboxRun run = runInbox({folder.path()}, folder.path(), fixtureCourse());
        ASSERT_EQ(run.notRead.size(), 1u) << reason;
        EXPECT_NE(run.notRead[0].reason.find(reason), std::string::npos) << run.notRead[0].reason;
        EXPECT_EQ(exitStatusOf(run), someFilesNotRead) << reason;
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
        {"\"Lee, Ann\"\r\n\"Ray, Bob\"\r\n\"Ng,Cy\"\r\n", {"Ann Lee", "Bob Ray", "Cy Ng"}},
        {"Surname,Given names,Email\r\nLee,Ann,a@x\r\n", {"Ann Lee"}},
    };
    for (const auto& [bytes, names] : cases) {
        Names got;
        for (const ClassMember& member : parseClassList(bytes)) got.push_back(member.name);
        EXPECT_EQ(got, names) << bytes;
    }
    const ClassList aliased = parseClassList("Name,Aliases\nAnn Lee,Anne Lee; A. Lee\n");
    ASSERT_EQ(aliased.size(), 1u);
    EXPECT_EQ(aliased[0].aliases, (Names{"Anne Lee", "A. Lee"}));

    const std::vector<std::tuple<std::string, std::string, bool>> pairs = {
        {"Ann Lee", "Anne Lee", true}, {"Zo\xC3\xAB Lee", "Zoe Lee", true},
        {"Lee Ann", "Ann Lee", true},  {"ANN LEE", "ann lee", false},  // one name
        {"Ann Lee", "Bob Lee", false}, {"Christopher Smith", "Christophe Smyth", true},
        {"Ann Lee", "Al Lee", false},  {"", "Ann Lee", false}};
    for (const auto& [a, b, want] : pairs) EXPECT_EQ(nearNames(a, b), want) << a << " / " << b;
}

// "Ann Lee\tBob Stone" in UTF-16 of either byte order, with its mark or without.
std::string utf16(std::string_view ascii, bool littleEndian, bool mark) {
    std::string bytes = mark ? (littleEndian ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char c : ascii) bytes += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

// Each of `refused`, bytes and a part of the reason, refused by `parse` with that reason.
template <typename Parse>
void expectRefused(Parse parse, const std::vector<std::pair<std::string, std::string>>& refused) {
    for (const auto& [bytes, reason] : refused) {
        try {
            parse(bytes);
            ADD_FAILURE() << "read: " << bytes;
        } catch (const InboxError& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
}

TEST(ClassList, EveryEncodingASpreadsheetSavesIsReadAndAnythingElseRefused) {
    using Names = std::vector<std::string>;
    const std::string tabbed = "First name\tLast name\r\nAnn\tLee\r\nBob\tStone\r\n";
    const Names annAndBob = {"Ann Lee", "Bob Stone"};
    // Zoë Lee, and a name beyond the Basic Multilingual Plane (U+1D400, a mathematical bold A)
    const std::string zoeLittle(
        "\xFF\xFEZ\0o\0\xEB\0 \0L\0"
        "e\0"
        "e\0\n\0\x35\xD8\x00\xDC",
        22);
    const std::string zoeBig(
        "\xFE\xFF\0Z\0o\0\xEB\0 \0L\0"
        "e\0"
        "e\0\n\xD8\x35\xDC\x00",
        22);
    const std::vector<std::pair<std::string, Names>> read = {
        {tabbed, annAndBob},
        {"\xEF\xBB\xBF" + tabbed, annAndBob},
        {utf16(tabbed, true, true), annAndBob},
        {utf16(tabbed, false, true), annAndBob},
        {utf16(tabbed, true, false), annAndBob},
        {utf16(tabbed, false, false), annAndBob},
        {"Zo\xEB Lee\r\n", {"Zo\xC3\xAB Lee"}},  // Windows-1252
        {"Zo\xC3\xAB Lee\r\n", {"Zo\xC3\xAB Lee"}},
        {zoeLittle, {"Zo\xC3\xAB Lee", "\xF0\x9D\x90\x80"}},
        {zoeBig, {"Zo\xC3\xAB Lee", "\xF0\x9D\x90\x80"}},
    };
    for (const auto& [bytes, names] : read) {
        Names got;
        for (const ClassMember& member : parseClassList(bytes)) got.push_back(member.name);
        EXPECT_EQ(got, names) << bytes;
    }
    const std::vector<std::pair<std::string, std::string>> refused = {
        {std::string("PK\x03\x04\x14\0\x06\0", 8), "line 1 holds the control character U+0003"},
        {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), "U+0011"},  // an old .xls
        {"Ann Lee\r\nBob\x81Stone\r\n", "line 2 holds the control character U+0081"},
        {utf16("Ann Lee", true, true) + "\n", "UTF-16 cut off"},
        {std::string("\xFF\xFE\x41\0\0\xDC", 6), "broken UTF-16 at byte 4"},  // half a pair
        {utf16("Ann\x01", true, false), "U+0001"},
        {"\xEF\xBB\xBF"
         "Chlo\xE9\n",
         "broken UTF-8 at byte 7"},
        // a table whose heading names no column of names, and a list of nobody
        {"Username;Email\r\nalee;a@x\r\n", "the first line, \"Username;Email\", is no heading"},
        {"Username,Email\r\nalee,a@x\r\n", "is no heading read: the names' column is headed"},
        {"Surname,Forename,Email\r\nLee,Ann,a@x\r\n", "is no heading read"},
        {utf16("ID\tEmail\r\n1\ta@x\r\n", true, true), "is no heading read"},
        {"Name,Email\r\n", "names no student"},
        {"\xEF\xBB\xBF\r\n\r\n", "names no student"},
    };
    expectRefused([](const std::string& bytes) { parseClassList(bytes); }, refused);
}

TEST(ClassList, AnAliasesFileGivesAGroupALineAndSaysWhichLineIsWrong) {
    using Groups = AliasGroups;
    const std::vector<std::pair<std::string, Groups>> read = {
        {"Ann Lee = Anne Lee = Lee Ann\n", {{"Ann Lee", "Anne Lee", "Lee Ann"}}},
        {"# the names of one student\r\n\r\n  Bob Stone=Robert Stone  \r\n   \r\n",
         {{"Bob Stone", "Robert Stone"}}},
        {"Zo\xEB Lee = Zoe Lee\nAnn Lee = Anne Lee",
         {{"Zo\xC3\xAB Lee", "Zoe Lee"}, {"Ann Lee", "Anne Lee"}}},
        {"\xEF\xBB\xBFZo\xC3\xAB Lee = Zoe Lee\n", {{"Zo\xC3\xAB Lee", "Zoe Lee"}}},
        {utf16("Ann Lee = Anne Lee\r\n", true, true), {{"Ann Lee", "Anne Lee"}}},
        {utf16("Ann Lee = Anne Lee\r\n", false, true), {{"Ann Lee", "Anne Lee"}}},
        {"", {}},
    };
    for (const auto& [bytes, groups] : read) EXPECT_EQ(parseAliases(bytes), groups) << bytes;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"Ann Lee = Anne Lee\n# Bob\n\nBob Stone\n", "line 4: one name only, \"Bob Stone\""},
        {"Ann Lee = \n", "line 1: an empty name"},
        {"Ann Lee == Anne Lee\n", "line 1: an empty name"},
        {utf16("\n\nAnn Lee\n", true, true), "line 3: one name only"},
        {std::string("Ann Lee = Anne\0 Lee\n", 20), "line 1 holds the control character U+0000"},
    };
    expectRefused([](const std::string& bytes) { parseAliases(bytes); }, refused);
}

// A receipt's Name line names the person of the attempt, in whatever encoding the platform
// wrote it, and that name meets the class list.
TEST(Download, TheFilesOfOneNameAreOnePageWhateverTheirIdentities) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> files;
        std::size_t rows, students;  // overview rows, people on the first page
        std::size_t doubts;          // on each overview row
    };
    const std::vector<Case> cases = {
        {"a platform's file and the same student's mailed file",
         {{"leeann_12345_678901_send_1207Ann_Lee.txt", sessionOf("Ann")},
          {"send_1207Ann_Lee.txt", firstAttemptOf("Ann")}},
         1,
         1,
         0},
        {"a platform's attempt and late file, with the mailed master file read first",
         {{"masterFile_Ann_Lee.txt", firstAttemptOf("Ann")},
          {"leeann_12345_678901_send_1207Ann_Lee.txt", firstAttemptOf("Ann")},
          {"leeann_LATE_12345_678902_send_1207Ann_Lee-1.txt", sessionOf("Ann")}},
         1,
         1,
         0},
        {"two people of one name on the platform, one assignment each",
         {{"leeann_12345_678901_send_1207Ann_Lee.txt", sessionOf("Ann")},
          {"leeann2_23456_678902_send_1207Ann_Lee.txt", sessionOf("Other Ann", "15")}},
         2,
         2,
         1},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        for (const auto& [name, bytes] : c.files) writeFile(folder.file(name), bytes);
        const InboxRun run = runInbox({folder.path()}, folder.path(), fixtureCourse());
        ASSERT_FALSE(run.failure) << c.what;
        EXPECT_EQ(run.overview.size(), c.rows) << c.what;
        EXPECT_EQ(run.totals.students, c.students) << c.what;
        std::set<std::string> pages;
        for (const OverviewRow& row : run.overview) {
            pages.insert(row.link.substr(0, row.link.find('#')));
            EXPECT_EQ(row.work.doubts.size(), c.doubts) << c.what;
            // The student's page tells the same doubts.
            const std::string page = readFile(
                (std::filesystem::path(run.csvPath).parent_path() / *pages.begin()).string());
            for (const std::string& doubt : row.work.doubts)
                EXPECT_NE(page.find(doubt), std::string::npos) << c.what;
        }
        EXPECT_EQ(pages.size(), 1u) << c.what;
    }
}

TEST(Download, AReceiptNamesThePersonOfItsAttempt) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> receipts = {
        {"Name: Zo\xC3\xAB Lee (annlee)\r\nAssignment: 3\r\n", "Zo\xC3\xAB Lee (annlee)"},
        {"Assignment: 3\nname:\tZo\xEB Lee  \n", "Zo\xC3\xAB Lee"},
        {utf16("Name: Ann Lee\r\n", false, true), "Ann Lee"},
        {"Name:   \r\nFiles: send_1209.txt\r\n", std::nullopt},
        {"Assignment: 3\r\nDate Submitted: today\r\n", std::nullopt},
        {std::string("Name: Ann\0Lee", 13), std::nullopt},  // no text
    };
    for (const auto& [bytes, name] : receipts) EXPECT_EQ(nameOnReceipt(bytes), name) << bytes;
    EXPECT_EQ(receiptIdentity("Zo\xC3\xAB Lee (annlee)", "annlee"), "Zo\xC3\xAB Lee (annlee)");
    EXPECT_EQ(receiptIdentity("Zo\xC3\xAB Lee", "annlee"), "Zo\xC3\xAB Lee (annlee)");
    EXPECT_EQ(receiptIdentity("Ann Lee (alee)", "annlee"), "Ann Lee (alee) (annlee)");

    const ClassList list = parseClassList("Name\nZoe Lee\nAnn Lee\nBob Stone\n");
    const std::vector<HandedIn> work = {{"", "Zo\xC3\xAB Lee (annlee)", "003"},
                                        {"", "ANN LEE (alee)", "003"},
                                        {"", "Bob Stone_12", "003"},
                                        {"", "cy", "003"}};
    const ClassView view = viewClass(work, &list, {{"Zoe Lee", "Zo\xC3\xAB Lee"}});
    EXPECT_EQ(view.missing.count("003"), 0u);
    EXPECT_EQ(view.notOnList, std::vector<std::string>{"cy"});
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
    ASSERT_EQ(view.nearMatches.size(), 1u);
    EXPECT_EQ(view.nearMatches[0], (std::pair<std::string, std::string>{"Anne Lee", "Ann Lee"}));
    // Without a class list, the names in the files are held against each other.
    const ClassView unlisted = viewClass(work, nullptr);
    EXPECT_FALSE(unlisted.listGiven);
    EXPECT_EQ(unlisted.nearMatches.size(), 1u);
    // Names the instructor says are one student are that student's, and no longer pointed out.
    const AliasGroups aliases = {{"ANN LEE", "Anne Lee"}};
    const ClassView joined = viewClass(work, &list, aliases);
    EXPECT_EQ(joined.missing.at("005"), (Names{"Bob Stone"}));
    EXPECT_EQ(joined.notOnList, (Names{"Dee Fox"}));
    EXPECT_TRUE(joined.nearMatches.empty());
    EXPECT_TRUE(viewClass(work, nullptr, aliases).nearMatches.empty());
}

TEST(ClassList, EachWorkGoesToTheOneRowItsNameMatches) {
    struct Case {
        const char* what;
        const char* list;  // nullptr: no class list
        AliasGroups aliases;
        std::vector<HandedIn> work;
        std::vector<std::string> rows;     // the name of each work's row
        std::size_t people;                // rows that hold work
        std::vector<std::string> nothing;  // members who handed in nothing
        std::size_t namedTwice;
    };
    const std::vector<Case> cases = {
        {"a member's alias that is another member's name",
         "Name,Aliases\nAnn Lee,Bob Ray\nBob Ray,\n",
         {},
         {{"Ann Lee", "", "003"}, {"Bob Ray", "", "003"}},
         {"Ann Lee", "Bob Ray"},
         2,
         {},
         0},
        {"an alias group naming two members",
         "Name\nAnn Lee\nBob Ray\n",
         {{"Ann Lee", "Bob Ray", "A. Lee"}},
         {{"Bob Ray", "", "003"}, {"A. Lee", "", "003"}},
         {"Bob Ray", "Ann Lee"},
         2,
         {},
         0},
        {"alias groups that share a name are one group",
         nullptr,
         {{"Ann Lee", "Anne Lee"}, {"Annie Lee", "Anne Lee"}},
         {{"Annie Lee", "", "003"}, {"Anne Lee", "", "003"}, {"Ann Lee", "", "003"}},
         {"Ann Lee", "Ann Lee", "Ann Lee"},
         1,
         {},
         0},
        {"the same with a class list of the last name",
         "Annie Lee\n",
         {{"Ann Lee", "Anne Lee"}, {"Annie Lee", "Anne Lee"}},
         {{"Ann Lee", "", "003"}, {"Anne Lee", "", "003"}},
         {"Annie Lee", "Annie Lee"},
         1,
         {},
         0},
        {"two members of one name, the work of one person",
         "Name\nMaria Garcia\nMaria Garcia\n",
         {},
         {{"Maria Garcia", "", "003"}},
         {"Maria Garcia"},
         1,
         {"Maria Garcia"},
         1},
        {"names the aliases join, each under identities that handed in one assignment",
         nullptr,
         {{"Ann Lee", "Anne Lee"}},
         {{"Ann Lee", "a_1", "001"}, {"Anne Lee", "b_1", "001"}, {"Ann Lee", "a_2", "002"}},
         {"Ann Lee", "Ann Lee", "Ann Lee"},
         1,
         {},
         0},
        {"a member's alias under an identity that handed in the member's assignment",
         "Name,Aliases\nAnn Lee,Anne Lee\n",
         {},
         {{"Ann Lee", "a_1", "001"}, {"Anne Lee", "b_1", "001"}},
         {"Ann Lee", "Ann Lee"},
         1,
         {},
         0},
        {"one student with another identity in each download, and mailed files",
         nullptr,
         {},
         {{"Ann Lee", "Ann Lee_11", "001"}, {"", "Ann Lee_27", "002"}, {"Ann Lee", "", "003"}},
         {"Ann Lee", "Ann Lee", "Ann Lee"},
         1,
         {},
         0},
        {"two people of one name on the platform, one on the list",
         "Maria Garcia\n",
         {},
         {{"Maria Garcia", "Maria Garcia_1", "001"}, {"Maria Garcia", "Maria Garcia_2", "001"}},
         {"Maria Garcia", "Maria Garcia"},
         2,
         {},
         0},
        {"two people of one name on the platform and on the list",
         "Maria Garcia\nMaria Garcia\n",
         {},
         {{"Maria Garcia", "Maria Garcia_2", "001"},
          {"Maria Garcia", "Maria Garcia_1", "001"},
          {"Maria Garcia", "", "001"}},
         {"Maria Garcia", "Maria Garcia", "Maria Garcia"},
         3,
         {},
         0},
    };
    for (const Case& c : cases) {
        const std::optional<ClassList> list =
            c.list ? std::optional<ClassList>(parseClassList(c.list)) : std::nullopt;
        const ClassRows rows = rowsOf(c.work, list ? &*list : nullptr, c.aliases);
        std::vector<std::string> got;
        for (std::size_t row : rows.rowOf) got.push_back(rows.names[row]);
        EXPECT_EQ(got, c.rows) << c.what;
        EXPECT_EQ(std::set<std::size_t>(rows.rowOf.begin(), rows.rowOf.end()).size(), c.people)
            << c.what;
        const ClassView view = viewClass(c.work, list ? &*list : nullptr, c.aliases);
        EXPECT_EQ(view.nothingHandedIn, c.nothing) << c.what;
        EXPECT_TRUE(view.nearMatches.empty()) << c.what;
        EXPECT_EQ(view.namedTwice.size(), c.namedTwice) << c.what;
    }
    // An alias group that joins two members is told, the members kept apart.
    const ClassList two = parseClassList("Name\nAnn Lee\nBob Ray\n");
    EXPECT_EQ(viewClass(cases[1].work, &two, cases[1].aliases).aliasConflicts,
              (std::vector<std::string>{"Ann Lee = Bob Ray"}));
    // The first of two people of the list's name goes to the first member, in the order of
    // their identities.
    const ClassList twice = parseClassList("Maria Garcia\nMaria Garcia\n");
    const ClassRows shared = rowsOf(cases.back().work, &twice, {});
    EXPECT_EQ(shared.rowOf, (std::vector<std::size_t>{1, 0, 2}));
}

TEST(ClassList, ManyNamesAlikeGiveTheFirstPageAFewPairsAndTheOverviewEveryOne) {
    ClassView view;
    for (int i = 0; i < 35; ++i)
        view.nearMatches.emplace_back("Student " + std::to_string(i), "Student x");
    const std::string first =
        writtenBy([&](std::FILE* out) { writeClassSection(out, view, "run/overview.html#near"); });
    const std::string all = writtenBy(
        [&](std::FILE* out) { writeNearMatches(out, view, view.nearMatches.size(), {}); });
    auto pairs = [](const std::string& html) {
        std::size_t n = 0;
        for (std::size_t at = html.find(" · "); at != std::string::npos;
             at = html.find(" · ", at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(pairs(first), 30u);
    EXPECT_NE(first.find("and 5 more pairs, every one on <a href=\"run/overview.html#near\">"),
              std::string::npos);
    EXPECT_EQ(pairs(all), 35u);
    EXPECT_EQ(all.find("more pairs"), std::string::npos);
}

}  // namespace
}  // namespace qatutor::testing
