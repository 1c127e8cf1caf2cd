#include "records/record_line.h"

#include "base/numbers.h"
#include "records/record_layout.h"

namespace qatutor {
namespace {

inline constexpr std::size_t reserveAfterLongItem = 4096;

}  // namespace

void RecordText::item(std::string_view text) {
    // Room for the lines that usually follow a long item, so that its bytes are copied once.
    if (bytes_.capacity() - bytes_.size() < text.size())
        bytes_.reserve(bytes_.size() + text.size() + reserveAfterLongItem);
    bytes_.append(text);
    advanceColumn(text);
}

// The column counts from the start of the physical line: from the last line break, if any.
void RecordText::advanceColumn(std::string_view text) {
    std::size_t afterBreak = text.size();
    while (afterBreak > 0 && text[afterBreak - 1] != '\n' && text[afterBreak - 1] != '\r')
        --afterBreak;
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

void RecordText::borrowedLine(const std::string& text) {
    borrowed_.emplace_back(bytes_.size(), text);
    advanceColumn(text);
    endLine();
}

std::vector<std::string_view> RecordText::pieces() const {
    std::vector<std::string_view> pieces;
    const std::string_view own = bytes_;
    std::size_t from = 0;
    for (const auto& [at, text] : borrowed_) {
        if (at > from) pieces.push_back(own.substr(from, at - from));
        pieces.push_back(text);
        from = at;
    }
    if (from < own.size()) pieces.push_back(own.substr(from));
    return pieces;
}

std::string RecordText::bytes() const {
    std::string all;
    for (std::string_view piece : pieces()) all += piece;
    return all;
}

}  // namespace qatutor
