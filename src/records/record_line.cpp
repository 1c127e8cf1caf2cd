#include "records/record_line.h"

#include "base/numbers.h"
#include "records/record_layout.h"

namespace qatutor {
namespace {

inline constexpr int printZoneWidth = 14;

}  // namespace

void RecordText::item(std::string_view text) {
    bytes_.append(text);
    for (char c : text) {
        if (c == '\n' || c == '\r')
            column_ = 1;
        else
            ++column_;
    }
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
