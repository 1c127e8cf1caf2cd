// The question reader on fixture banks: pieces, markers, numbers, routines and the end of a run.
#include <gtest/gtest.h>

#include "reader/reader.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

// What start-up puts in the answer box, which the reader puts back after each question.
const std::string answerPromptText = "Enter, as appropriate, an answer.";

class ReaderTest : public ::testing::Test {
protected:
    // Loads `lines` and stands the reader on line `cursor`, as start-up leaves it.
    void load(const std::vector<std::string>& lines, int cursor = 1, std::string next = "002") {
        int lineCursor = 0;
        loadQuestionBank(session.bank, lineCursor, piecesOf(lines));
        session.lineCursor = cursor;
        session.nextAssignmentNumber = std::move(next);
        session.answerPrompt = answerPromptText;
    }
    // Clicks Next; false when the click ended the program.
    bool next() {
        try {
            cmdNextQuestion(host, session);
            return true;
        } catch (const ProgramEnded&) {
            return false;
        }
    }
    FakeHost host;
    Session session;
};

TEST_F(ReaderTest, FirstClickShowsTheQuestionWithItsMarkerAndSecondTheAnswerWithout) {
    load(fixtureBankLines(), 8, "003");
    host.answer = " ";
    ASSERT_TRUE(next());
    EXPECT_EQ(host.question, "`q001.  How many?");
    EXPECT_EQ(session.entryKind, EntryKind::question);
    EXPECT_EQ(session.questionNumber, "1");
    EXPECT_TRUE(session.resetAnswerBox);
    EXPECT_EQ(host.answer, " ");
    EXPECT_EQ(session.lineCursor, 10);

    ASSERT_TRUE(next());
    EXPECT_EQ(host.answer, answerPromptText);
    EXPECT_EQ(host.question, "`q001.  How many?Twelve, since 3 x 4 = 12.");
    EXPECT_EQ(session.currentLine, "Twelve, since 3 x 4 = 12.");
    EXPECT_EQ(session.entryKind, EntryKind::answer);
    EXPECT_EQ(session.questionNumber, "1");
    EXPECT_EQ(session.workText, host.question);
    EXPECT_EQ(session.pendingText, "");
}

TEST_F(ReaderTest, AfterARecordTheAnswerBoxIsLeftAlone) {
    load(fixtureBankLines(), 8, "003");
    ASSERT_TRUE(next());
    session.resetAnswerBox = false;  // as Enter Response leaves it
    host.answer = "";
    const int setsBefore = host.answerBoxSets;
    ASSERT_TRUE(next());
    EXPECT_EQ(host.answerBoxSets, setsBefore);
    EXPECT_EQ(host.answer, "");
}

TEST_F(ReaderTest, TypedQuestionBoxTextStaysAndTheRunEndsAtTheNextNumber) {
    load(fixtureBankLines(), 8, "003");
    host.question = "my notes ";
    ASSERT_TRUE(next());
    ASSERT_TRUE(next());
    ASSERT_TRUE(next());  // `q002 Why?
    EXPECT_EQ(session.questionNumber, "2");
    ASSERT_TRUE(next());
    ASSERT_TRUE(next());  // the line of one blank is shown as one blank
    EXPECT_EQ(host.question,
              "my notes `q001.  How many?Twelve, since 3 x 4 = 12.`q002 Why?Because. ");
    EXPECT_EQ(session.entryKind, EntryKind::answer);
    const std::string shown = host.question;
    EXPECT_FALSE(next());  // "003."
    EXPECT_TRUE(host.ended);
    EXPECT_EQ(host.question, shown);
    EXPECT_EQ(session.lineCursor, 18);
}

TEST_F(ReaderTest, TheRunEndsAtAnyLineWhoseFirstThreeCharactersAreTheNextNumber) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"002.  Next", true}, {"002.", true},         {"002 apples", true}, {"002", true},
        {"0021", true},       {"`a002 apples", true},  // an answer is tested without its marker
        {"`q002. x", false},  {" 002", false},        {"02. x", false},     {"003.", false},
    };
    for (const auto& [line, ends] : cases) {
        Session fresh;
        session = fresh;
        host.question.clear();
        load({"001.  A", line, "x", "002."});
        EXPECT_EQ(!next(), ends) << line;
        EXPECT_EQ(host.question.empty(), ends) << line;
    }
}

TEST_F(ReaderTest, TheEndOfTheAssignmentSaysWhereTheFilesAreAndWhichToSend) {
    load(fixtureBankLines(), 16, "003");
    session.assignmentNumber = "002";
    session.outputFolder = "c:\\kavrodel";
    session.sendFilePath = "c:\\kavrodel\\send_1207Ann_Lee.txt";
    ASSERT_TRUE(next());  // the last piece: one blank
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(next());  // "003."
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              "Assignment 002 is finished.\n\nYour record files are in the folder\n" +
                  host.home.file("kavrodel") +
                  "\n\nSend the file send_1207Ann_Lee.txt "
                  "to your instructor.");
}

TEST_F(ReaderTest, TheLookAheadTellsWhetherTheNextClickEndsTheRunAndChangesNothing) {
    struct Case {
        std::vector<std::string> lines;
        bool ends;
    };
    const std::vector<Case> cases = {
        {{"001.  A", "x", "002."}, false},
        {{"001.  A", "", "`a", "", "002."}, true},  // empty lines and a bare answer marker skipped
        {{"001.  A", "002 apples"}, true},
        {{"001.  A", "`routine exitprog", "x", "002."}, true},
        {{"001.  A", "`routine painting", "x", "002."}, true},
        {{"001.  A", "`routine graph2", "", "002."}, true},
        {{"001.  A", "`routine graph2", "x", "002."}, false},
        {{"001.  A", "`routine", "002."}, false},  // the marker alone is shown as text
        {{"001.  A"}, false},                      // runs off the table: an index error, not an end
    };
    for (const Case& c : cases) {
        Session fresh;
        session = fresh;
        host.ended = false;
        load(c.lines);
        session.resetAnswerBox = true;
        const Session before = session;
        EXPECT_EQ(nextClickEndsRun(session), c.ends) << c.lines[1 % c.lines.size()];
        EXPECT_EQ(session.lineCursor, before.lineCursor);
        EXPECT_TRUE(session.resetAnswerBox);
        if (c.lines.size() > 1) {
            bool ended = false;
            try {
                ended = !next();
            } catch (const TutorError&) {
            }
            EXPECT_EQ(ended, c.ends) << "the click itself agrees: " << c.lines[1];
        }
    }
}

TEST_F(ReaderTest, LineBreakPairsBecomeCrLf) {
    load(fixtureBankLines(), 1, "002");
    ASSERT_TRUE(next());
    EXPECT_EQ(host.question,
              "`q001.  Note that there are 1 questions in this assignment.\r\n\r\nCount it.");
    EXPECT_EQ(session.currentLine,
              "`q001.  Note that there are 1 questions in this assignment.{}{}Count it.");
}

TEST_F(ReaderTest, MarkersAndNumbers) {
    struct Case {
        std::string line;
        std::string shown;
        std::string entryKind;  // empty: neither a question nor an answer yet
        std::string questionNumber;
    };
    const std::vector<Case> cases = {
        {"`q010.  Ten", "`q010.  Ten", "question", "10"},
        {"`q002 No point", "`q002 No point", "question", "2"},
        {"`qabc. Letters", "`qabc. Letters", "question", "0"},
        {"`q7", "`q7", "question", "7"},
        {"`Q004 capital", "`Q004 capital", "", "4"},
        {"`aThe answer", "The answer", "answer", "before"},
        {"\r\n\r\n(b) more", "\r\n\r\n(b) more", "", "before"},
        {"{{}}", "{\r\n}", "", "before"},
    };
    for (const Case& c : cases) {
        Session fresh;
        session = fresh;
        host.question.clear();
        load({"001.  A", c.line, "002."});
        session.entryKind = EntryKind::none;
        session.questionNumber = "before";
        ASSERT_TRUE(next()) << c.line;
        EXPECT_EQ(host.question, c.shown) << c.line;
        EXPECT_EQ(entryKindText(session.entryKind), c.entryKind) << c.line;
        EXPECT_EQ(session.questionNumber, c.questionNumber) << c.line;
    }
}

TEST_F(ReaderTest, ABareAnswerMarkerIsSkippedYetMakesTheEntryAnAnswer) {
    load({"001.  A", "`q001. x", "`a", "", "more", "002."});
    ASSERT_TRUE(next());
    ASSERT_TRUE(next());
    EXPECT_EQ(host.question, "`q001. xmore");
    EXPECT_EQ(session.entryKind, EntryKind::answer);
    EXPECT_EQ(session.lineCursor, 5);
}

TEST_F(ReaderTest, RoutineLines) {
    struct Case {
        std::vector<std::string> lines;
        bool ends;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {{"001.  A", "`routine exitprog", "x", "002."}, true, ""},
        {{"001.  A", "`ROUTINE EXIT-PROG", "x", "002."}, true, ""},
        {{"001.  A", "`Routine:exit - prog", "x", "002."}, true, ""},
        {{"001.  A", "`routine graph2", "x", "002."}, false, "x"},
        {{"001.  A", "`routine GRAPH-1", "", "x", "002."}, false, "x"},
        {{"001.  A", "`routine painting", "x", "002."}, true, ""},
        {{"001.  A", "`routine ", "x", "002."}, true, ""},
        {{"001.  A", "`routine graph1", "`routine exitprog", "002."}, false, "`routine exitprog"},
        {{"001.  A", "`routine", "x", "002."}, false, "`routine"},
    };
    for (const Case& c : cases) {
        Session fresh;
        session = fresh;
        host.question.clear();
        host.ended = false;
        load(c.lines);
        EXPECT_EQ(!next(), c.ends) << c.lines[1];
        EXPECT_EQ(host.question, c.shown) << c.lines[1];
    }
}

TEST_F(ReaderTest, ARoutineLineLeavesTheAnswerPromptAlone) {
    load({"001.  A", "`routine", "x", "002."});
    session.resetAnswerBox = true;
    ASSERT_TRUE(next());
    EXPECT_FALSE(session.resetAnswerBox);  // the piece shown was the routine marker alone
    host.answer = "typed";
    ASSERT_TRUE(next());
    EXPECT_EQ(host.answer, "typed");
}

TEST_F(ReaderTest, ABankWithoutTheNextNumberRunsOffTheTable) {
    load({"001.  A", "x"});
    ASSERT_TRUE(next());
    EXPECT_THROW(next(), TutorError);
}

TEST(ReaderHelpers, ExpandLineBreaks) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a{}b", "a\r\nb"},
        {"{}{}x", "\r\n\r\nx"},
        {"end{}", "end\r\n"},
        {"{{}}", "{\r\n}"},
        {"{", "{"},
        {"}", "}"},
        {"", ""},
        {"}{", "}{"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(expandLineBreaks(in), want) << in;
}

TEST(ReaderHelpers, RemSpacesDropsBlanksAndHyphensOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" exit-prog ", "exitprog"},
        {"- -", ""},
        {"a\tb\r\nc", "a\tb\r\nc"},
        {"x_y", "x_y"},
        {"", ""},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(remSpaces(in), want) << in;
}

}  // namespace
}  // namespace qatutor::testing
