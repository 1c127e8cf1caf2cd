#include "bank/bank_table.h"

#include <string>

#include "base/errors.h"

namespace qatutor {
namespace {

void checkIndex(int index) {
    if (index < 0 || index > lastBankIndex)
        throw TutorError("Subscript out of range: the question bank has no line " +
                         std::to_string(index) + " (its lines are numbered 0 to " +
                         std::to_string(lastBankIndex) + ").");
}

}  // namespace

const std::string& BankTable::at(int index) const {
    checkIndex(index);
    return entries_[static_cast<std::size_t>(index)];
}

void BankTable::append(int index, std::string_view piece) {
    checkIndex(index);
    entries_[static_cast<std::size_t>(index)].append(piece);
}

void loadQuestionBank(BankTable& table, int& lineCursor, const std::vector<BankPiece>& bank) {
    for (const BankPiece& piece : bank) {
        if (piece.startsLine) ++lineCursor;
        table.append(lineCursor, piece.text);
    }
    lineCursor = 0;
}

}  // namespace qatutor
