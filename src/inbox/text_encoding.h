// Text that the instructor or a course platform wrote, rather than the tutor: a class list, an
// aliases file, an attempt's receipt. Spreadsheets and platforms write it in one of four ways:
//   UTF-8, with a byte-order mark or without       "Ann Lee"
//   UTF-16 little-endian ("Unicode text"), mark FF FE, or UTF-16 big-endian, mark FE FF
//   Windows-1252, an older spreadsheet's CSV        "Chlo\xE9 Martin"
// UTF-16 without its mark is told by its first character, a printable character of ASCII with
// a zero byte beside it, which no text of the other kinds begins with. Such text is read a line,
// or a cell, at a time with the blanks around it left out (piecesOf).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qatutor::inbox {

// The text of `bytes` as UTF-8, its byte-order mark left out. Throws InboxError saying why when
// the bytes are no text in these encodings: they hold control characters other than tab and
// line ends (a spreadsheet's own file, a picture), or UTF-16 that is cut off or broken.
//   utf8TextOf("\xFF\xFE" "A\0n\0n\0") -> "Ann"      utf8TextOf("Chlo\xE9") -> "Chlo\xC3\xA9"
//   utf8TextOf("PK\x03\x04...") throws "not text: ..."
std::string utf8TextOf(std::string_view bytes);

// `text` without the blanks, tabs and line ends around it: trimmed(" Ann Lee\r") -> "Ann Lee"
std::string trimmed(std::string_view text);

// The pieces of `text` between the separators, each trimmed:
//   piecesOf("a ; b;", ';') -> {"a", "b", ""}     piecesOf("Ann\r\nBob", '\n') -> {"Ann", "Bob"}
std::vector<std::string> piecesOf(std::string_view text, char separator);

}  // namespace qatutor::inbox
