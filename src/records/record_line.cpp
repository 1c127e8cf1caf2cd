#include "records/record_line.h"

#include "records/numbers.h"
#include "records/record_layout.h"

namespace qatutor {
namespace {

inline constexpr int printZoneWidth = 14;
inline constexpr std::size_t reserveAfterLongItem = 4096;

}  // namespace

void RecordText::item(std::string_view text) {
    // Room for the lines that usually follow a long item, so that its bytes are copied once.
    if (bytes_.capacity() - bytes_.size() < text.size())
        bytes_.reserve(bytes_.size() + text.size() + reserveAfterLongItem);
    bytes_.append(text);
    // The column counts from the start of the physical line: from the last line break, if any.
    std::size_t afterBreak = text.size();
    while (afterBreak > 0 && text[afterBreak - 1] != '\n' && text[afterBreak - 1] != '\r') --afterBreak;
    if (afterBreak == 0)
        column_ += static_cast<int>(text.size());
    else
        column_ = 1 + static_cast<int>(text.size() - afterBreak);
}

void RecordText::nextPrintZone() {
    const int nextZoneStart = ((column_ - 1) / printZoneWidth + 1) * printZoneWidth + 1;
    item(std::string(static_cast<std::size_t>(nextZoneStart - column_), ' '));
}

void RecordText::endLine() { item(lineEnd); }

void RecordText::line(std::initializer_list<std::string_view> items) {
    bool first = true;
    for (std::string_view text : items) {
        if (!first) nextPrintZone();
        item(text);
        first = false;
    }
    endLine();
}

void RecordText::lineWithNumber(std::string_view text, double number) {
    item(text);
    nextPrintZone();
    item(numberItem(number));
    endLine();
}

void RecordText::unendedLine(std::string_view text) { item(text); }

}  // namespace qatutor
