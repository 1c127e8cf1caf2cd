// The bank checker: each rule found where it is broken, and nothing found on a sound bank.
#include <gtest/gtest.h>

#include <algorithm>

#include "bank/bank_check.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

std::vector<std::string> rulesOf(const std::vector<std::string>& lines) {
    std::vector<std::string> rules;
    for (const Violation& v : checkBank(lines))
        rules.push_back(v.rule + "@" + std::to_string(v.bankIndex));
    return rules;
}

// A sound one-question bank padded with empty lines so that its end line stands at `lineCount`.
std::vector<std::string> bankOfLength(std::size_t lineCount) {
    std::vector<std::string> lines = {"001.  A", "", "`q001. x", "", "`ay"};
    lines.resize(lineCount - 1);
    lines.push_back("002.");
    return lines;
}

TEST(BankCheck, TheFixtureBankHasNoViolation) {
    EXPECT_EQ(rulesOf(fixtureBankLines()), std::vector<std::string>{});
}

TEST(BankCheck, EachBrokenRuleIsReportedAtItsLine) {
    using Lines = std::vector<std::string>;
    std::vector<std::tuple<std::string, Lines, std::vector<std::string>>> cases = {
        {"no header first", {"", "001.  A", "", "`q001. x", "", "`ay", "002."}, {"shape 1@1"}},
        {"question numbers skip",
         {"001.  A", "", "`q001. x", "", "`ay", "", "`q003. z", "", "`aw", "002."},
         {"shape 2@7"}},
        {"first question not 001", {"001.  A", "", "`q002. x", "", "`ay", "002."}, {"shape 2@3"}},
        {"repeated number is allowed",
         {"001.  A", "", "`q001. x", "", "`ay", "", "`q001. z", "", "`aw", "002."},
         {}},
        {"answer without question", {"001.  A", "", "`ay", "002."}, {"shape 2@3"}},
        {"continuation after header", {"001.  A", "more", "002."}, {"shape 2@2"}},
        {"entries not separated", {"001.  A", "", "`q001. x", "`ay", "002."}, {"shape 3@4"}},
        {"wrong next number", {"001.  A", "", "`q001. x", "", "`ay", "003."}, {"shape 4@6"}},
        {"descending assignments",
         {"005.  A", "", "`q001. x", "", "`ay", "006.", "004.  B", "", "`q001. x", "", "`ay",
          "005."},
         {"shape 4@7"}},
        {"no end line", {"001.  A", "", "`q001. x", "", "`ay"}, {"shape 5@5"}},
        {"line after the last end line",
         {"001.  A", "", "`q001. x", "", "`ay", "002.", ""},
         {"shape 4@7"}},
        {"answer begins with next number",
         {"001.  A", "", "`q001. x", "", "`a002 y", "002."},
         {"shape 6@5"}},
        {"continuation begins with next number",
         {"001.  A", "", "`q001. x", "", "`ay", "002 left", "002."},
         {"shape 6@6"}},
        {"malformed header", {"001. A", "", "`q001. x", "", "`ay", "002."}, {"grammar@1"}},
        {"header without title", {"001.  ", "", "`q001. x", "", "`ay", "002."}, {"grammar@1"}},
        {"malformed question", {"001.  A", "", "`q01. x", "", "`ay", "002."}, {"grammar@3"}},
        {"question without point needs one blank",
         {"001.  A", "", "`q001  x", "", "`ay", "002."},
         {"grammar@3"}},
        {"bare answer marker", {"001.  A", "", "`q001. x", "", "`a", "002."}, {"grammar@5"}},
        {"tab in a line", {"001.  A", "", "`q001. x\ty", "", "`ay", "002."}, {"characters@3"}},
        {"lone line feed", {"001.  A", "", "`q001. x\ny", "", "`ay", "002."}, {"characters@3"}},
        {"lone carriage return",
         {"001.  A", "", "`q001. x\ry", "", "`ay", "002."},
         {"characters@3"}},
        {"control character", {"001.  A", "", "`q001. x", "", "`a\x01y", "002."}, {"characters@5"}},
        {"DEL in a line", {"001.  A", "", "`q001. x\x7fy", "", "`ay", "002."}, {"characters@3"}},
        {"Windows-1252 letters and signs",
         {"001.  Caf\xe9", "", "`q001. \x80 5, na\xefve \x93\x8e\x9e\x94 \x85", "",
          "`a\xff\xa0\x9f", "002."},
         {}},
        {"5000 lines fit", bankOfLength(5000), {}},
        {"5001 lines are too many", bankOfLength(5001), {"shape 7@0"}},
    };
    for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        cases.push_back({"undefined code " + std::to_string(undefined),
                         {"001.  A", "", "`q001. x" + std::string(1, static_cast<char>(undefined)),
                          "", "`ay", "002."},
                         {"characters@3"}});
    for (const auto& [what, lines, expected] : cases) EXPECT_EQ(rulesOf(lines), expected) << what;
}

// The message leads the author to the line to mend, and a stretch of lines outside any
// assignment is reported once.
TEST(BankCheck, MessagesNameTheLineToMend) {
    using Lines = std::vector<std::string>;
    const std::vector<std::tuple<std::string, Lines, std::string>> cases = {
        {"header without its title reads as an end line",
         {"001.  A", "", "`q001. x", "", "`ay", "002.", "", "`q001. x", "", "`ay", "003."},
         "the end line \"002.\" (bank line 6)"},
        {"question line without its marker reads as a header",
         {"001.  A", "", "`q001. x", "", "`ay", "002.  y", "", "`ay", "002.  B", "", "`q001. z", "",
          "`aw", "003."},
         "a second header line of assignment 002 (the first is bank line 6"},
        {"first question not 001",
         {"001.  A", "", "`q002. x", "", "`ay", "002."},
         "the first question of assignment 001 is numbered 002"},
    };
    for (const auto& [what, lines, part] : cases) {
        const std::vector<Violation> found = checkBank(lines);
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const Violation& v) {
            return v.message.find(part) != std::string::npos;
        })) << what;
    }
    EXPECT_EQ(rulesOf({"001.  A", "", "`q001. x", "", "`ay", "002.", "", "`q001. x", "", "`ay"}),
              std::vector<std::string>{"shape 4@7"});
}

TEST(BankCheck, KindsAreToldByTheFirstCharacters) {
    const std::vector<std::pair<std::string, LineKind>> cases = {
        {"", LineKind::empty},
        {" ", LineKind::continuation},
        {"001.  Counting", LineKind::header},
        {"011.", LineKind::end},
        {"`q001.  x", LineKind::question},
        {"`Q001.  x", LineKind::continuation},
        {"`ax", LineKind::answer},
        {"`ROUTINE graph1", LineKind::routine},
        {"\r\n\r\n(b) x", LineKind::continuation},
    };
    for (const auto& [line, kind] : cases) EXPECT_EQ(kindOf(line), kind) << line;
}

}  // namespace
}  // namespace qatutor::testing
