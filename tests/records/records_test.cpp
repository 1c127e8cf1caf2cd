// The record files, byte for byte, case by case (the golden session test shows a whole session):
// the file header, records without a rating, the question-number line, notes records, and boxes
// that are recorded or not.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "reader/reader.h"
#include "records/record_layout.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

const std::string crlf = "\r\n";
const std::string separator = "......!!!!!!!!..................................." + crlf;
const std::string closing = std::string(49, '.');
// Time at column 57: 36 blanks of indent, then blanks to the zone.
std::string timeLine(const std::string& time) { return std::string(56, ' ') + time + crlf; }
// Date at column 43, time at column 57.
std::string dateTimeLine(const std::string& date, const std::string& time) {
    return std::string(42, ' ') + date + std::string(4, ' ') + time + crlf;
}

class RecordsTest : public ::testing::Test {
protected:
    void start(const std::string& assignment = "2") {
        host.queuePromptReply("Ann Lee");
        host.queuePromptReply("");
        host.queuePromptReply(assignment);
        startUp(host, session, piecesOf(fixtureBankLines()));
        master0 = master();
        send0 = send();
    }
    std::string master() { return readFile(host.local(session.masterFilePath)); }
    std::string send() { return readFile(host.local(session.sendFilePath)); }
    std::string notes() { return readFile(host.local(session.notesFilePath)); }
    // What the command appended since start-up.
    std::string masterAdded() { return master().substr(master0.size()); }
    std::string sendAdded() { return send().substr(send0.size()); }

    FakeHost host;
    Session session;
    std::string master0, send0;
};

TEST_F(RecordsTest, FileHeaderIsTheSameFiveLinesInMasterAndSendFiles) {
    start();
    const std::string noise = master0.substr(0, master0.find(crlf));
    EXPECT_GE(noise.size(), static_cast<std::size_t>(session.codeNumber));
    EXPECT_LE(noise.size(), static_cast<std::size_t>(2 * session.codeNumber));
    for (char c : noise) EXPECT_GE(static_cast<unsigned char>(c), 66);
    const std::string expected = noise + crlf + "assignment #002" + crlf + "002.  Second" + crlf +
                                 "Liberal Arts Mathematics II" + crlf + "12-07-2026" + crlf;
    EXPECT_EQ(master0, expected);
    EXPECT_EQ(send0, expected);
    EXPECT_EQ(session.masterFilePath, "c:\\kavrodel\\masterFile_Ann_Lee.txt");
    EXPECT_EQ(session.sendFilePath, "c:\\kavrodel\\send_1207Ann_Lee.txt");
}

TEST_F(RecordsTest, ResponseBeforeAnyQuestionHasNoRatingLine) {
    start();
    host.answer = "hello";
    const auto promptsBefore = host.prompts().size();
    cmdEnterResponse(host, session);
    EXPECT_EQ(host.prompts().size(), promptsBefore);

    // Eight record lines in the master file (ten physical lines), seven in the send file.
    const std::string master = masterAdded();
    const std::string send = sendAdded();
    auto count = [&](const std::string& s) {
        std::size_t n = 0;
        for (std::size_t p = s.find(crlf); p != std::string::npos; p = s.find(crlf, p + 2)) ++n;
        return n;
    };
    EXPECT_EQ(count(master), 10u);
    EXPECT_EQ(count(send), 7u);
    EXPECT_EQ(send, separator + timeLine("14:05:09") + crlf + separator + "RESPONSE -->  " + crlf +
                        "hello" + crlf + closing + crlf);
    // No question yet: the number is the assignment's alone.
    EXPECT_NE(master.find("`questionNumber" + std::string(13, ' ') + " 20000 " + crlf),
              std::string::npos);
}

TEST_F(RecordsTest, TheClockIsReadAnewForEveryLineThatShowsIt) {
    host.clockMoves = true;  // no two reads give the same text
    start();                 // the send file's name, then the header's date in each file
    cmdNextQuestion(host, session);
    host.answer = "twelve";
    host.queuePromptReply("3");
    cmdEnterResponse(host, session);  // a time line in each file
    cmdNextQuestion(host, session);
    host.answer = "a note";
    cmdSaveAsNotes(host, session);  // a time line and a date-time line in each of three files

    const std::regex clockText("[0-9]{2}-[0-9]{2}-[0-9]{4}|[0-9]{2}:[0-9]{2}:[0-9]{2}");
    std::vector<std::string> shown;
    for (const std::string& file : {master(), send(), notes()})
        for (std::sregex_iterator it(file.begin(), file.end(), clockText), end; it != end; ++it)
            shown.push_back(it->str());
    EXPECT_EQ(shown.size(), 2u + 2u + 9u);
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()).size(), shown.size());
    EXPECT_EQ(host.clockReads, 1 + 2 + 2 + 9);
}

TEST_F(RecordsTest, QuestionNumberLineForAssignment3Question12) {
    start("2");
    session.assignmentNumber = "003";  // the fixture bank's 003. is an end line, no assignment
    session.questionNumber = "12";
    session.currentLine = "`q012.  x";
    host.answer = "r";
    session.entryKind = EntryKind::none;
    cmdEnterResponse(host, session);
    const std::string line =
        crlf + crlf + "`questionNumber" + std::string(13, ' ') + " 30012 " + crlf;
    const std::string added = masterAdded();
    const std::size_t at = added.find(line);
    ASSERT_NE(at, std::string::npos);
    // The number item starts at column 29 of its physical line.
    EXPECT_EQ(added.substr(at + 4 + 28, 7), " 30012 ");
    EXPECT_EQ(sendAdded().find("questionNumber"), std::string::npos);
}

TEST_F(RecordsTest, NotesRecordThenResponseContinuesThePhysicalLineInSendAndNotesFiles) {
    start();
    cmdNextQuestion(host, session);
    host.answer = "remember 3 x 4";
    host.time = "14:06:00";
    cmdSaveAsNotes(host, session);

    const std::string bankLine = "`q001.  How many?";
    const std::string body = separator + timeLine("14:06:00") +
                             dateTimeLine("12-07-2026", "14:06:00") + bankLine + crlf + separator +
                             "NOTES -------> remember 3 x 4" + crlf + closing;
    EXPECT_EQ(masterAdded(), body + crlf);
    EXPECT_EQ(sendAdded(), body);
    EXPECT_EQ(notes(), body);
    EXPECT_EQ(session.workText, "NOTES -------> remember 3 x 4");
    EXPECT_EQ(host.question, "");
    EXPECT_EQ(host.answer, "");

    const std::string masterBefore = master();
    const std::string sendBefore = send();
    host.answer = "ok";
    host.queuePromptReply("3");
    cmdEnterResponse(host, session);
    // The send file's next separator line stands right after the closing points.
    EXPECT_EQ(send().substr(sendBefore.size() - 49, 49 + separator.size()), closing + separator);
    EXPECT_EQ(master().substr(masterBefore.size() - 51, 51 + separator.size()),
              closing + crlf + separator);
    EXPECT_EQ(notes(), body);  // responses never reach the notes file
}

TEST_F(RecordsTest, AnswerBoxHoldingThePromptRecordsNothingAndOpensNoFile) {
    start();
    cmdNextQuestion(host, session);
    cmdNextQuestion(host, session);  // puts the prompt back
    ASSERT_EQ(host.answer, session.answerPrompt);
    session.workText = "kept";
    const bool resetBefore = session.resetAnswerBox;
    for (auto command : {cmdEnterResponse, cmdSaveAsNotes}) {
        host.answer = session.answerPrompt;
        host.question = "shown";
        command(host, session);
        EXPECT_EQ(master(), master0);
        EXPECT_EQ(send(), send0);
        EXPECT_FALSE(exists(host.local(session.notesFilePath)));
        EXPECT_EQ(host.question, "");
        EXPECT_EQ(host.answer, "");
        EXPECT_EQ(session.workText, "kept");
        EXPECT_EQ(session.resetAnswerBox, resetBefore);
    }
}

TEST_F(RecordsTest, AResponseIsRecordedExactlyFromOneBlankToArbitraryBytes) {
    start();
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    // The answer box as the window opens holds one blank: it is not the prompt, so it is a
    // response of one blank.
    ASSERT_EQ(host.answer, " ");
    for (const std::string& response : {std::string(" "), everyByte}) {
        const std::size_t sendBefore = send().size();
        host.answer = response;
        cmdEnterResponse(host, session);
        EXPECT_EQ(send().substr(sendBefore), separator + timeLine("14:05:09") + crlf + separator +
                                                 "RESPONSE -->  " + crlf + response + crlf +
                                                 closing + crlf);
    }
}

TEST_F(RecordsTest, ARecordLeavesTheAnswerBoxToTheStudentAtTheNextClick) {
    start();
    cmdNextQuestion(host, session);  // question 001: the next click would put the prompt back
    for (auto command : {cmdEnterResponse, cmdSaveAsNotes}) {
        host.answer = "recorded";
        if (command == cmdEnterResponse) host.queuePromptReply("2");  // the rating
        command(host, session);
        ASSERT_EQ(host.answer, "");
        cmdNextQuestion(host, session);
        EXPECT_EQ(host.answer, "") << "the next click replaced the answer box";
        EXPECT_TRUE(session.resetAnswerBox);
    }
}

}  // namespace
}  // namespace qatutor::testing
