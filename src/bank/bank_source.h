// The course bank's source format.
//
// Every source line is one of:
//   |text|     starts a new bank line holding `text` (everything between the first and the
//              last bar, blanks at either end kept); || is an empty bank line
//   +|text|    appends a line break (CR LF) and `text` to the bank line begun above
//   &|text|    appends `text` to the bank line begun above, with nothing between
//   #...       a comment; an empty source line is ignored too
// So the bank line "`aFirst.\r\n\r\nSecond." is written
//   |`aFirst.|
//   +||
//   +|Second.|
// The closing bar keeps trailing blanks visible and safe from editors; a line of one blank is | |.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bank/bank_table.h"

namespace qatutor {

struct SourceError {
    int sourceLine;  // 1-based line of the source file
    std::string message;
};

struct ParsedBank {
    std::vector<BankPiece> pieces;
    std::vector<int> firstSourceLine;  // per bank line (0-based), the source line it starts on
    std::vector<SourceError> errors;
};

ParsedBank parseBankSource(std::string_view source);

// The bank lines the pieces build, in order.
std::vector<std::string> bankLines(const std::vector<BankPiece>& pieces);

// The bank built into the program.
std::string_view builtInBankSource();
// Its pieces; a malformed built-in bank is a TutorError.
const std::vector<BankPiece>& builtInBank();

}  // namespace qatutor
