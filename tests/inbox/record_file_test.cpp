// Record files read back: the golden session's files, and random sessions written by the tutor's
// own commands whose responses are made of the pieces that look like record lines.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/cp1252.h"
#include "base/numbers.h"
#include "inbox/record_file.h"
#include "inbox/resaved_file.h"
#include "reader/reader.h"
#include "records/record_layout.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

using inbox::CourseIndex;
using inbox::ParsedFile;
using inbox::Piece;
using inbox::RatingKind;
using inbox::Record;
using inbox::RecordKind;

const CourseIndex& fixtureCourse() {
    static const CourseIndex course(fixtureBankLines());
    return course;
}

// A noise line as the codec draws them: characters 66 to 255.
const std::string noiseLine =
    "\xC8\x96\x63\xE6\xB4\x78\xFA\xC9\xBE\xAA\x9F\x8C\xDE\xE9\xF4\x83\x81\x80\xFF\xFE";

std::string golden(const std::string& name) {
    std::string bytes = readFile(std::string(QATUTOR_GOLDEN_DIR) + "/" + name);
    for (auto at = bytes.find("<noise>"); at != std::string::npos; at = bytes.find("<noise>", at))
        bytes.replace(at, 7, noiseLine);
    return bytes;
}

struct Expected {
    RecordKind kind;
    std::string time;
    std::string quoted;
    int question;
    RatingKind ratingKind;
    std::string rating;
    std::string text;
};

void expectRecords(const ParsedFile& file, const std::vector<Expected>& expected,
                   const std::string& what) {
    ASSERT_EQ(file.problem, "") << what;
    EXPECT_TRUE(file.damage.empty()) << what << ": line " << file.damage.front().line;
    ASSERT_EQ(file.records.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Record& got = file.records[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(what + ", record " + std::to_string(i));
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.time, want.time);
        EXPECT_EQ(got.quoted(), want.quoted);
        EXPECT_EQ(got.question, want.question);
        EXPECT_EQ(got.ratingKind, want.ratingKind);
        EXPECT_EQ(got.rating, want.rating);
        EXPECT_EQ(got.text, want.text);
        EXPECT_FALSE(got.incomplete);
    }
}

TEST(RecordFile, GoldenSessionReadsBackFromSendAndMasterFiles) {
    const std::vector<Expected> expected = {
        {RecordKind::response, "14:05:09", "`q001.  How many?", 1, RatingKind::confidence, "2",
         "I think 12."},
        {RecordKind::response, "14:06:10", "Twelve, since 3 x 4 = 12.", 1, RatingKind::selfCritique,
         "", "Line one\r\nLine two"},
        {RecordKind::note, "14:07:00", "`q002 Why?", 2, RatingKind::none, "", "remember: 3 x 4"},
        {RecordKind::response, "14:07:00", "`q002 Why?", 2, RatingKind::confidence, "1", ""},
    };
    for (const char* name : {"session.send.txt", "session.master.txt"}) {
        const ParsedFile file = inbox::parseRecordFile(golden(name), fixtureCourse());
        expectRecords(file, expected, name);
        ASSERT_EQ(file.runs.size(), 1u);
        EXPECT_EQ(file.runs[0].assignment, "002");
        EXPECT_EQ(file.runs[0].title, "002.  Second");
        EXPECT_EQ(file.runs[0].date, "12-07-2026");
        EXPECT_EQ(file.records[2].noteDate, "12-07-2026");
        EXPECT_EQ(file.records[1].place->piece, Piece::answer);
    }
    const ParsedFile master = inbox::parseRecordFile(golden("session.master.txt"), fixtureCourse());
    EXPECT_EQ(master.records[0].numberLine, "20001");
    EXPECT_EQ(master.records[3].numberLine, "20002");
}

TEST(RecordFile, QuotedLinesFindTheirAssignmentQuestionAndPiece) {
    struct Case {
        std::string quoted, assignment;
        bool found;
        std::string placeAssignment;
        int question;
        Piece piece;
    };
    const std::vector<Case> cases = {
        {"`q001.  How many?", "002", true, "002", 1, Piece::question},
        {"Because.", "002", true, "002", 2, Piece::answer},    // quoted without its marker
        {"`aBecause.", "002", false, "", 0, Piece::question},  // the marker is never quoted
        {" ", "002", true, "002", 2, Piece::continuation},
        {"`q001.   Last{}one.", "002", true, "004", 1,
         Piece::question},  // found in another assignment
        {"`q001.  From another course", "002", false, "", 0, Piece::question},
    };
    for (const Case& c : cases) {
        const inbox::BankPlace* place = fixtureCourse().find(c.quoted, c.assignment);
        ASSERT_EQ(place != nullptr, c.found) << c.quoted;
        if (!place) continue;
        EXPECT_EQ(place->assignment, c.placeAssignment) << c.quoted;
        EXPECT_EQ(place->question, c.question) << c.quoted;
        EXPECT_EQ(place->piece, c.piece) << c.quoted;
    }
    EXPECT_EQ(fixtureCourse().assignment("002")->questions, (std::vector<int>{1, 2}));

    // A continuation line of four characters ending in a point is no end line.
    const CourseIndex yes(
        {"001.  First", "", "`q001.  Is it?", "Yes.", "", "`q002.  And?", "002."});
    EXPECT_EQ(yes.assignment("001")->questions, (std::vector<int>{1, 2}));
    ASSERT_NE(yes.find("Yes.", "001"), nullptr);
    EXPECT_EQ(yes.find("Yes.", "001")->piece, Piece::continuation);
    ASSERT_NE(yes.find("`q002.  And?", "001"), nullptr);
}

// Random sessions: the tutor's own commands write the files; every record reads back the same.
class RandomSessions : public ::testing::TestWithParam<unsigned> {};

std::string randomText(std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        std::string(separatorLine),
        std::string(closingLine),
        std::string(confidenceLabel),
        std::string(selfCritiqueLabel),
        std::string(responseLabel),
        std::string(notesLabel),
        "\r\n",
        "\r\n",
        "\x80\x85\xA0\xE9\xFF",
        "3 x 4 = 12",
        " ",
        "",
    };
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 7)(random);
    for (int i = 0; i < count; ++i) {
        std::string piece =
            pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        if (random() % 4 == 0) piece += static_cast<char>(128 + random() % 128);
        text += piece;
    }
    return text;
}

TEST_P(RandomSessions, EveryRecordReadsBackAsWritten) {
    std::mt19937 random(GetParam());
    FakeHost host;
    std::vector<Expected> expected;
    std::vector<std::string> numberLines;
    std::string sendPath, masterPath;
    int second = 0;
    auto nextTime = [&]() {
        ++second;
        const std::string minutes = std::to_string(10 + second / 60 % 50),
                          seconds = std::to_string(10 + second % 50);
        return host.time = "14:" + minutes + ":" + seconds;
    };
    for (int run = 0; run < 2; ++run) {  // a second run appends a file header to the same files
        Session session;
        for (const char* reply : {"Ann Lee", "", "2"}) host.queuePromptReply(reply);
        startUp(host, session, piecesOf(fixtureBankLines()));
        sendPath = host.local(session.sendFilePath);
        masterPath = host.local(session.masterFilePath);
        // Five pieces in assignment 002 of the fixture bank; the sixth Next ends the run.
        for (int piece = 0; piece <= 5; ++piece) {
            const int records = std::uniform_int_distribution<int>(0, 3)(random);
            for (int r = 0; r < records; ++r) {
                host.answer = randomText(random);
                const std::string time = nextTime();
                const int question = static_cast<int>(numericValue(session.questionNumber));
                if (random() % 3 == 0) {
                    expected.push_back({RecordKind::note, time, session.currentLine, question,
                                        RatingKind::none, "", host.answer});
                    cmdSaveAsNotes(host, session);
                    continue;
                }
                static const std::vector<std::string> ratings = {"0", "1", "2", "3", "", "x", "10"};
                const std::string rating = ratings[random() % ratings.size()];
                const RatingKind kind =
                    session.entryKind == EntryKind::question ? RatingKind::confidence
                    : session.entryKind == EntryKind::answer ? RatingKind::selfCritique
                                                             : RatingKind::none;
                if (kind != RatingKind::none) host.queuePromptReply(rating);
                expected.push_back({RecordKind::response, time, session.currentLine, question, kind,
                                    kind == RatingKind::none ? "" : rating, host.answer});
                cmdEnterResponse(host, session);
            }
            if (piece == 5) break;
            cmdNextQuestion(host, session);
        }
    }
    expectRecords(inbox::parseRecordFile(readFile(sendPath), fixtureCourse()), expected,
                  "send file");
    expectRecords(inbox::parseRecordFile(readFile(masterPath), fixtureCourse()), expected,
                  "master file");
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSessions, ::testing::Range(1u, 41u));

// A file as it reaches the instructor after a mail program or a broken transfer.
TEST(RecordFile, DamagedFiles) {
    const std::string send = golden("session.send.txt");
    std::string lf;
    for (char c : send)
        if (c != '\r') lf += c;
    ASSERT_TRUE(inbox::normalizeLineEnds(lf));
    EXPECT_EQ(lf, send);
    std::string unchanged = send;
    EXPECT_FALSE(inbox::normalizeLineEnds(unchanged));
    // Saved again by an editor as UTF-8, with or without a byte-order mark: the same bytes again.
    const std::string utf8 = cp1252::toUtf8(send);
    for (std::string resaved : {utf8, "\xEF\xBB\xBF" + utf8}) {
        ASSERT_EQ(inbox::restoreWindows1252(resaved), inbox::Resave::utf8);
        EXPECT_EQ(resaved, send);
    }
    EXPECT_EQ(inbox::restoreWindows1252(unchanged), inbox::Resave::none);  // noise is no UTF-8
    std::string ascii = "abc\r\n";
    EXPECT_EQ(inbox::restoreWindows1252(ascii), inbox::Resave::none);

    // Empty lines a mail program added at the end are no record, and no cut one.
    const ParsedFile padded = inbox::parseRecordFile(send + "\r\n\r\n", fixtureCourse());
    EXPECT_FALSE(padded.cutOff);
    EXPECT_EQ(padded.records.size(), 4u);

    // Cut inside the last record's response: the three records before it stay whole.
    const std::string cut = send.substr(0, send.find("confidence assessment:  1") - 2);
    const ParsedFile file = inbox::parseRecordFile(cut, fixtureCourse());
    EXPECT_EQ(file.problem, "");
    EXPECT_TRUE(file.cutOff);
    ASSERT_EQ(file.records.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(file.records[i].incomplete) << i;
    EXPECT_EQ(file.records[1].text, "Line one\r\nLine two");
    EXPECT_TRUE(file.records[3].incomplete);
    EXPECT_EQ(file.records[3].quoted(), "`q002 Why?");
    EXPECT_EQ(file.records[3].time, "14:07:00");

    // Cut inside the quoted line itself: the one line of the assignment that starts so is the
    // piece; a start that several lines share names none.
    const std::size_t lastQuote = send.rfind("`q002 Why?");
    const std::vector<std::tuple<std::size_t, std::string, int>> quoteCuts = {
        {8, "`q002 Why?", 2}, {11, "`q002 Why?", 2}, {4, "", 0}};
    for (const auto& [keep, quoted, question] : quoteCuts) {
        const ParsedFile inQuote =
            inbox::parseRecordFile(send.substr(0, lastQuote + keep), fixtureCourse());
        ASSERT_EQ(inQuote.records.size(), 4u) << keep;
        EXPECT_TRUE(inQuote.records[3].incomplete) << keep;
        EXPECT_EQ(inQuote.records[3].place != nullptr, !quoted.empty()) << keep;
        if (!quoted.empty()) {
            EXPECT_EQ(inQuote.records[3].quoted(), quoted) << keep;
        }
        EXPECT_EQ(inQuote.records[3].question, question) << keep;
    }

    // Cut inside a closing line: the rating that came through is kept.
    const std::string inClosing = send.substr(0, send.size() - 20);
    const ParsedFile closingCut = inbox::parseRecordFile(inClosing, fixtureCourse());
    ASSERT_EQ(closingCut.records.size(), 4u);
    EXPECT_TRUE(closingCut.records[3].incomplete);
    EXPECT_EQ(closingCut.records[3].rating, "1");
    EXPECT_EQ(closingCut.records[3].text, "");

    // Cut inside the file header of a second run: every record is whole.
    for (const std::string& cutHeader :
         {send + noiseLine, send + noiseLine + "\r\nassignment #00",
          send + noiseLine + "\r\nassignment #002\r\n002.  Second\r\nLib"}) {
        const ParsedFile headerCut = inbox::parseRecordFile(cutHeader, fixtureCourse());
        EXPECT_TRUE(headerCut.cutOff);
        ASSERT_EQ(headerCut.records.size(), 4u);
        EXPECT_FALSE(headerCut.records[3].incomplete);
    }

    for (const std::string& notRecords : {std::string("Dear instructor,\r\nhere is my work.\r\n"),
                                          send.substr(send.find("......!!!!"))})
        EXPECT_NE(inbox::parseRecordFile(notRecords, fixtureCourse()).problem, "") << notRecords;
}

// One line of the first record (lines 6 to 13 of the golden send file) lost, added after, or
// edited: the other records read as written, with their own ratings; the place is named by its
// line when the layout breaks there; a line of free text is simply part of the record.
TEST(RecordFile, DamageAtEachLineOfOneRecord) {
    enum Change { lost, lineAfter, tabbed };
    struct Case {
        int line;
        Change change;
        std::size_t damageLine;  // 0: the file still keeps to the layout
    };
    const std::vector<Case> cases = {
        {6, lost, 6},       {7, lost, 7},       {8, lost, 8},       {9, lost, 9},
        {10, lost, 10},     {11, lost, 0},      {12, lost, 0},      {13, lost, 13},
        {6, lineAfter, 7},  {7, lineAfter, 0},  {8, lineAfter, 0},  {9, lineAfter, 10},
        {10, lineAfter, 0}, {11, lineAfter, 0}, {12, lineAfter, 0}, {13, lineAfter, 14},
        {6, tabbed, 6},     {7, tabbed, 7},     {8, tabbed, 0},     {9, tabbed, 9},
        {10, tabbed, 10},   {11, tabbed, 0},    {12, tabbed, 0},    {13, tabbed, 13},
    };
    const std::string send = golden("session.send.txt");
    const ParsedFile whole = inbox::parseRecordFile(send, fixtureCourse());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < send.size();) {
        const std::size_t end = send.find("\r\n", at);
        lines.push_back(send.substr(at, end + 2 - at));
        at = end + 2;
    }
    for (const Case& c : cases) {
        std::vector<std::string> changed = lines;
        std::string& line = changed[static_cast<std::size_t>(c.line - 1)];
        if (c.change == lost) line.clear();
        if (c.change == lineAfter) line += "x\r\n";
        if (c.change == tabbed) {
            const std::size_t blank = line.find("    ");
            line = blank == std::string::npos ? "\t" + line : line.replace(blank, 4, "\t");
        }
        std::string bytes;
        for (const std::string& l : changed) bytes += l;
        const ParsedFile file = inbox::parseRecordFile(bytes, fixtureCourse());
        const std::string what = "line " + std::to_string(c.line) + " change " +
                                 std::to_string(static_cast<int>(c.change));
        ASSERT_EQ(file.problem, "") << what;
        EXPECT_FALSE(file.cutOff) << what;
        // The three records after the damaged one, each whole and with its own rating.
        ASSERT_GE(file.records.size(), 3u) << what;
        ASSERT_LE(file.records.size(), 4u) << what;
        for (std::size_t i = 1; i <= 3; ++i) {
            const Record& got = file.records[file.records.size() - 4 + i];
            const Record& want = whole.records[i];
            EXPECT_EQ(got.quoted(), want.quoted()) << what << ", record " << i;
            EXPECT_EQ(got.text, want.text) << what << ", record " << i;
            EXPECT_EQ(got.ratingKind, want.ratingKind) << what << ", record " << i;
            EXPECT_EQ(got.rating, want.rating) << what << ", record " << i;
        }
        // What is read of the damaged record carries its own rating or none.
        if (file.records.size() == 4 && file.records[0].ratingKind != RatingKind::none) {
            EXPECT_EQ(file.records[0].rating, "2") << what;
        }
        if (c.damageLine == 0) {
            EXPECT_TRUE(file.damage.empty()) << what << ": line " << file.damage.front().line;
            continue;
        }
        ASSERT_FALSE(file.damage.empty()) << what;
        EXPECT_EQ(file.damage.front().line, c.damageLine)
            << what << ": " << file.damage.front().expected;
        // What the damage list says was expected is the layout's line at the break; a break
        // inside the record marks the record read from it "damaged", one after its closing line
        // only its neighbours.
        const std::map<std::size_t, std::string> layout = {
            {6, "separator line (\"......!!!!!!!!....\")"},
            {7, "the time (HH:MM:SS) at column 57"},
            {8, "the bank line the record answers"},
            {9, "the separator line after the bank line"},
            {10, "\"RESPONSE -->  \" or \"NOTES -------> \""},
            {13, "the closing line (49 points)"},
            {14, "separator line (\"......!!!!!!!!....\") or a file header"}};
        EXPECT_NE(file.damage.front().expected.find(layout.at(c.damageLine)), std::string::npos)
            << what << ": " << file.damage.front().expected;
        EXPECT_EQ(file.records.front().damaged, c.damageLine < 14) << what;
        EXPECT_NE(file.records[file.records.size() - 3].doubt, "") << what;  // the record after
    }
}

}  // namespace
}  // namespace qatutor::testing
