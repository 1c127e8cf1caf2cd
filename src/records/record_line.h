// Builds the bytes of record lines in memory, so that a whole record reaches its file in one
// write.
//
// Items stand in the order given. Between two items of one line the separator advances to the
// start of the next 14-column print zone (columns 1, 15, 29, 43, 57, ...), the next one strictly
// after the current column, counted from the start of the current physical line. A line ends
// with CR LF, except the closing line of a notes record in the send and notes files, which ends
// with nothing.
//   RecordText t; t.line({indent, "", "14:05:09"});  -> 36 blanks, 20 blanks, "14:05:09\r\n"
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qatutor {

class RecordText {
public:
    // One record line of text items, ended by CR LF.
    void line(std::initializer_list<std::string_view> items);
    // A record line whose last item is a number (see numberItem), ended by CR LF.
    void lineWithNumber(std::string_view text, double number);
    // The last line of a record that ends without CR LF.
    void unendedLine(std::string_view item);
    // A record line of one text that is not copied but written from where it is: `text` must
    // outlive the write. For the long texts of a record, the response and the note.
    void borrowedLine(const std::string& text);

    // The record's bytes, in order, for one write.
    std::vector<std::string_view> pieces() const;
    // The same bytes in one text.
    std::string bytes() const;

private:
    void item(std::string_view text);
    void advanceColumn(std::string_view text);
    void nextPrintZone();
    void endLine();

    std::string bytes_;  // the record's own bytes
    // Borrowed texts, each with where it stands among the record's own bytes.
    std::vector<std::pair<std::size_t, std::string_view>> borrowed_;
    int column_ = 1;
};

}  // namespace qatutor
