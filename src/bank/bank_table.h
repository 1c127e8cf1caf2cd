// The bank line table: 5001 texts, indices 0 to 5000, filled once at start-up from index 1 on.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qatutor {

inline constexpr int lastBankIndex = 5000;

class BankTable {
public:
    // Entry `index`; an index outside 0 to 5000 is an error that ends the program, naming the
    // index. An entry never filled is the empty text.
    const std::string& at(int index) const;

    // Appends a piece to entry `index`, checking the index on every store.
    void append(int index, std::string_view piece);

private:
    std::vector<std::string> entries_ = std::vector<std::string>(lastBankIndex + 1);
};

// How a bank's source builds its lines: each line's first piece starts a new line, and every
// further piece is appended to that same line.
struct BankPiece {
    bool startsLine;
    std::string text;
};

// Copies the bank into the table: each line to `lineCursor` + 1, its pieces appended at that
// index. `lineCursor` is 0 before and after. A 5001st line fails the index check.
void loadQuestionBank(BankTable& table, int& lineCursor, const std::vector<BankPiece>& bank);

}  // namespace qatutor
