#include "support/fixture_bank.h"

namespace qatutor::testing {

std::vector<std::string> fixtureBankLines() {
    return {
        "001.  First",
        "",
        "",
        "`q001.  Note that there are 1 questions in this assignment.{}{}Count it.",
        "",
        "`aOne.",
        "",
        "002.  Second",
        "",
        "`q001.  How many?",
        "",
        "`aTwelve, since 3 x 4 = 12.",
        "",
        "`q002 Why?",
        "",
        "`aBecause.",
        " ",
        "003.",
        "004.  Fourth",
        "",
        "`q001.   Last{}one.",
        "",
        "`aDone.",
        "005.",
    };
}

std::vector<BankPiece> piecesOf(const std::vector<std::string>& lines) {
    std::vector<BankPiece> pieces;
    for (const std::string& line : lines) pieces.push_back({true, line});
    return pieces;
}

}  // namespace qatutor::testing
