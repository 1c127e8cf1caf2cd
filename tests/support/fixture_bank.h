// Small banks for tests.
#pragma once

#include <string>
#include <vector>

#include "bank/bank_table.h"

namespace qatutor::testing {

// Three assignments: 001 (one question), 002 (two questions) and 004 (one question), with the
// end lines "003." and "005.".
std::vector<std::string> fixtureBankLines();

// One piece per line.
std::vector<BankPiece> piecesOf(const std::vector<std::string>& lines);

}  // namespace qatutor::testing
