// The record-line writer with its print zones: items separated by NUL bytes in the input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/record_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> items(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            items.emplace_back();
        else
            items.back() += static_cast<char>(data[i]);
    }
    if (items.size() < 3) items.resize(3);

    qatutor::RecordText record;
    record.line({items[0], items[1], items[2]});
    // The same line worked out column by column: blanks up to the next 14-column zone strictly
    // after the column where the previous item ended, counted from the last line break.
    std::string expected;
    int column = 1;
    for (std::size_t k = 0; k < 3; ++k) {
        if (k > 0) {
            const int blanks = 14 - (column - 1) % 14;
            expected.append(static_cast<std::size_t>(blanks), ' ');
            column += blanks;
        }
        for (char c : items[k]) column = (c == '\r' || c == '\n') ? 1 : column + 1;
        expected += items[k];
    }
    expected += "\r\n";
    if (record.bytes() != expected) std::abort();
    return 0;
}
