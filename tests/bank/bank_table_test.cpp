// The bank line table and its loader.
#include <gtest/gtest.h>

#include "bank/bank_source.h"
#include "bank/bank_table.h"
#include "base/errors.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

std::vector<BankPiece> linesOfCount(int count) {
    std::vector<std::string> lines(static_cast<std::size_t>(count), "x");
    lines.back() = "last";
    return piecesOf(lines);
}

TEST(LoadQuestionBank, FillsFromIndexOneAndLeavesTheCursorAtZero) {
    BankTable table;
    int lineCursor = 0;
    loadQuestionBank(table, lineCursor, piecesOf(fixtureBankLines()));
    EXPECT_EQ(lineCursor, 0);
    EXPECT_EQ(table.at(0), "");
    EXPECT_EQ(table.at(1), "001.  First");
    EXPECT_EQ(table.at(17), " ");
    EXPECT_EQ(table.at(24), "005.");
    EXPECT_EQ(table.at(25), "");
    EXPECT_EQ(table.at(5000), "");
    EXPECT_THROW(table.at(5001), TutorError);
    EXPECT_THROW(table.at(-1), TutorError);
}

TEST(LoadQuestionBank, PiecesJoinIntoOneLineAtOneIndex) {
    const ParsedBank parsed =
        parseBankSource("|001.  A|\n||\n|`aone|\n+||\n+|two|\n&| more|\n|002.|\n");
    ASSERT_TRUE(parsed.errors.empty());
    BankTable table;
    int lineCursor = 0;
    loadQuestionBank(table, lineCursor, parsed.pieces);
    EXPECT_EQ(table.at(2), "");
    EXPECT_EQ(table.at(3), "`aone\r\n\r\ntwo more");
    EXPECT_EQ(table.at(4), "002.");
}

TEST(LoadQuestionBank, FiveThousandLinesFitAndOneMoreFails) {
    BankTable table;
    int lineCursor = 0;
    loadQuestionBank(table, lineCursor, linesOfCount(5000));
    EXPECT_EQ(table.at(5000), "last");
    EXPECT_EQ(lineCursor, 0);

    BankTable tooSmall;
    lineCursor = 0;
    try {
        loadQuestionBank(tooSmall, lineCursor, linesOfCount(5001));
        FAIL() << "a 5001-line bank must not load";
    } catch (const TutorError& error) {
        EXPECT_NE(std::string(error.what()).find("5001"), std::string::npos);
    }
}

TEST(BankSource, FormatErrorsNameTheirSourceLine) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"|001.  A|\nno bars\n", 2},
        {"+|before any line|\n", 1},
        {"|001.  A\n", 1},
        {"|a|\r\n", 1},
        {"# comment\n\n|001.  A|\n&|\n", 4},
    };
    for (const auto& [source, line] : cases) {
        const ParsedBank parsed = parseBankSource(source);
        ASSERT_EQ(parsed.errors.size(), 1u) << source;
        EXPECT_EQ(parsed.errors[0].sourceLine, line) << source;
    }
    const ParsedBank blanks = parseBankSource("| |\n|  x  |\n|a|b|\n");
    EXPECT_EQ(bankLines(blanks.pieces), (std::vector<std::string>{" ", "  x  ", "a|b"}));
}

}  // namespace
}  // namespace qatutor::testing
