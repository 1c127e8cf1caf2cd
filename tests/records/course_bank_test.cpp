// The course bank built into the program: its outline, index for index, its particulars, and
// a walk of every assignment as a student would click through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "bank/bank_check.h"
#include "bank/bank_source.h"
#include "reader/reader.h"
#include "records/startup.h"
#include "support/fake_host.h"

namespace qatutor::testing {
namespace {

const std::vector<std::string>& courseLines() {
    static const std::vector<std::string> lines = bankLines(builtInBank());
    return lines;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size()))
        ++n;
    return n;
}

TEST(CourseBank, HasNoViolationOfGrammarOrShape) {
    EXPECT_TRUE(parseBankSource(builtInBankSource()).errors.empty());
    for (const Violation& v : checkBank(courseLines()))
        ADD_FAILURE() << "bank line " << v.bankIndex << ": " << v.rule << ": " << v.message;
}

TEST(CourseBank, OutlineIndexForIndex) {
    struct Row {
        std::string header;
        int first, last, questions, answers, continuations, empties;
    };
    const std::vector<Row> expected = {
        {"001.  Counting", 1, 59, 14, 14, 0, 30},
        {"002.  Permutations, combinations, rearranging letters of words.", 60, 93, 8, 8, 0, 17},
        {"003.  C(n,r) and P(n,r)", 94, 149, 14, 13, 0, 28},
        {"004.  Dice, trees, committees, number of subsets.", 150, 187, 9, 9, 0, 19},
        {"005.  Binary probabilities", 188, 233, 10, 10, 4, 21},
        {"006.  Cards", 234, 266, 8, 8, 0, 16},
        {"007.  Introduction to probability", 267, 288, 5, 5, 0, 11},
        {"008.  Conditional probabilities, more probabilities", 289, 318, 7, 7, 0, 15},
        {"009.  Binomial Probabilities", 319, 340, 5, 5, 0, 11},
        {"010.  Expectation", 341, 378, 9, 9, 1, 18},
        {"014.  mean vs median", 380, 413, 8, 8, 0, 17},
        {"015.  range vs ave dev vs std dev", 414, 447, 8, 8, 0, 17},
        {"016.  mean, std dev of freq dist (incl binomial)", 448, 481, 8, 8, 1, 16},
        {"017.  normal-curve models", 482, 502, 5, 5, 0, 10},
    };
    const BankOutline outline = outlineOf(courseLines());
    // After a deliberate change to the bank, the new values come from
    // build/qatutor-bankcheck --outline (the first value of each failure below is the bank's).
    ASSERT_EQ(outline.assignments.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const AssignmentOutline& a = outline.assignments[i];
        const Row& e = expected[i];
        EXPECT_EQ(a.header, e.header);
        EXPECT_EQ(a.firstIndex, e.first) << e.header;
        EXPECT_EQ(a.lastIndex, e.last) << e.header;
        EXPECT_EQ(a.questions, e.questions) << e.header;
        EXPECT_EQ(a.answers, e.answers) << e.header;
        EXPECT_EQ(a.continuations, e.continuations) << e.header;
        EXPECT_EQ(a.empties, e.empties) << e.header;
        EXPECT_EQ(a.routines, 0) << e.header;
    }
    EXPECT_EQ(outline.endLineIndices, (std::vector<int>{379, 503}));
    ASSERT_EQ(courseLines().size(), 503u);
    EXPECT_EQ(courseLines()[378], "011.");
    EXPECT_EQ(courseLines()[502], "018.");
    EXPECT_EQ(courseLines()[377], " ");  // 010 ends with a line of one blank
    EXPECT_EQ(courseLines()[480], " ");  // and so does 016
}

TEST(CourseBank, Particulars) {
    const auto& lines = courseLines();
    std::size_t pairs = 0, linesWithPairs = 0, firstQuestionsWithTwoPairs = 0;
    std::size_t characters = 0, longest = 0, mostBreaks = 0;
    std::set<std::size_t> blanksAfterPoint;
    const std::regex firstQuestion(
        R"(`q001\. +Note that there are (\d+) questions in this assignment\.(.*))");
    const std::regex numbered(R"(`q\d\d\d\.( +).*)");
    std::string lastQuestionNumber;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        characters += line.size();
        longest = std::max(longest, line.size());
        mostBreaks = std::max(mostBreaks, countOf(line, "\r\n"));
        const std::size_t n = countOf(line, "{}");
        pairs += n;
        linesWithPairs += n > 0 ? 1 : 0;
        for (char c : line) {
            const bool printable = c >= 32 && c <= 126;
            EXPECT_TRUE(printable || c == '\r' || c == '\n')
                << "bank line " << i + 1 << ": character code "
                << static_cast<int>(static_cast<unsigned char>(c))
                << " is not printable ASCII, which the course keeps to";
        }
        EXPECT_EQ(countOf(line, "\r"), countOf(line, "\r\n")) << "line " << i + 1;
        EXPECT_EQ(countOf(line, "\n"), countOf(line, "\r\n")) << "line " << i + 1;
        std::smatch match;
        if (std::regex_match(line, match, numbered)) blanksAfterPoint.insert(match[1].length());
        if (line.rfind("`q001", 0) == 0) {
            ASSERT_TRUE(std::regex_match(line, match, firstQuestion)) << "line " << i + 1;
            if (match[2].str().rfind("{}{}", 0) == 0) ++firstQuestionsWithTwoPairs;
        }
    }
    EXPECT_EQ(pairs, 12u) << "{} line breaks in the course";
    EXPECT_EQ(linesWithPairs, 8u) << "bank lines holding {}";
    EXPECT_EQ(firstQuestionsWithTwoPairs, 4u);
    EXPECT_EQ(blanksAfterPoint, (std::set<std::size_t>{1, 2, 3, 5}));
    EXPECT_LE(longest, 2300u);
    EXPECT_LE(mostBreaks, 32u);
    // About the size of the course as outlined (some 104,000 characters), with room for worked
    // answers that need a few more steps.
    EXPECT_GE(characters, 80000u);
    EXPECT_LE(characters, 115000u);

    // 003 announces 13 questions, numbers two of them 010, and leaves 013 without an answer.
    EXPECT_NE(lines[95].find("Note that there are 13 questions"), std::string::npos);
    std::size_t tens = 0;
    for (int i = 94; i < 149; ++i)
        tens += lines[static_cast<std::size_t>(i)].rfind("`q010", 0) == 0;
    EXPECT_EQ(tens, 2u);
    EXPECT_EQ(lines[147].rfind("`q013", 0), 0u);
    EXPECT_EQ(lines[148], "");
    // 014's question 002 has no point after its number.
    const auto q002 = std::find_if(lines.begin() + 379, lines.begin() + 413,
                                   [](const std::string& l) { return l.rfind("`q002", 0) == 0; });
    ASSERT_NE(q002, lines.begin() + 413);
    EXPECT_EQ(q002->substr(0, 6), "`q002 ");
    // 005's question 006 goes on over four lines that begin with two line breaks.
    const auto q006 = std::find_if(lines.begin() + 187, lines.begin() + 233,
                                   [](const std::string& l) { return l.rfind("`q006", 0) == 0; });
    for (int k = 1; k <= 4; ++k) EXPECT_EQ((q006 + k)->substr(0, 4), "\r\n\r\n");
    // A grave accent inside a line writes a square root somewhere.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("`a", 0) == 0 && l.find("`(", 2) != std::string::npos;
    }));
}

// Clicks through one assignment from its header to its end, as a student would.
TEST(CourseBank, EveryAssignmentWalksPieceByPieceAndEndsAtTheNextNumber) {
    const BankOutline outline = outlineOf(courseLines());
    const std::vector<BankPiece>& bank = builtInBank();
    for (const AssignmentOutline& assignment : outline.assignments) {
        FakeHost host;
        Session session;
        host.queuePromptReply("Walker");
        host.queuePromptReply("");
        host.queuePromptReply(assignment.header.substr(0, 3));
        startUp(host, session, bank);
        ASSERT_EQ(session.lineCursor, assignment.firstIndex);

        std::vector<std::string> shown;
        bool ended = false;
        for (int click = 0; click < 200 && !ended; ++click) {
            host.question.clear();
            try {
                cmdNextQuestion(host, session);
                shown.push_back(host.question);
            } catch (const ProgramEnded&) {
                ended = true;
            }
        }
        EXPECT_TRUE(ended) << assignment.header;
        std::vector<std::string> expected;
        for (int i = assignment.firstIndex + 1; i <= assignment.lastIndex; ++i) {
            std::string line = courseLines()[static_cast<std::size_t>(i) - 1];
            if (line.empty()) continue;
            if (line.rfind("`a", 0) == 0) line.erase(0, 2);
            expected.push_back(expandLineBreaks(line));
        }
        EXPECT_EQ(shown, expected) << assignment.header;
    }
}

TEST(CourseBank, TheNumbersOfItsEndLinesAreNotInTheBank) {
    // 011. ends assignment 010 and 018. assignment 017; 12 and 13 appear nowhere.
    for (const char* typed : {"11", "12", "13", "18"}) {
        FakeHost host;
        Session session;
        for (const char* reply : {"Ann Lee", "", typed}) host.queuePromptReply(reply);
        try {
            startUp(host, session, builtInBank());
            ADD_FAILURE() << typed << " started at line " << session.lineCursor;
        } catch (const TutorError& error) {
            EXPECT_NE(std::string(error.what()).find("is not in the question bank"),
                      std::string::npos)
                << typed;
        }
        EXPECT_FALSE(host.fileExists("c:\\kavrodel\\masterFile_Ann_Lee.txt")) << typed;
    }
}

}  // namespace
}  // namespace qatutor::testing
