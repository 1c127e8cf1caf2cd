// A box's text beside the text the tutor put there: what the student typed is what the box holds
// beyond it. Both sides are read in place, a box's raw document text (line breaks as paragraph
// separators) against the tutor's Windows-1252 bytes (line breaks as CR LF), with no conversion,
// since either can be megabytes.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace qatutor {

// Whether the box's raw text `raw` holds typed text beyond `tutors`, the tutor's text. Blanks,
// tabs and line breaks count for nothing, and neither does a stretch of the tutor's text taken
// out: the box holds nothing typed when, those aside, it is the tutor's text with at most one
// stretch missing.
//   typedBeyond("Q1.\u2029 my 7*6", "Q1.")    -> true
//   typedBeyond("Q1.\u2029\u2029  ", "Q1.")   -> false  (line breaks and blanks added)
//   typedBeyond("Q.", "Q1.")                  -> false  (the tutor's "1" deleted)
bool typedBeyond(const QString& raw, std::string_view tutors);

// Where `text` goes on beyond the box's raw text `raw`: the number of bytes of `text` that spell
// `raw` (a line break as CR LF, CR or LF), or nothing when `text` does not begin with it.
//   bytesSpelling("a\u2029b", "a\r\nbc") -> 4     bytesSpelling("ab", "ax") -> nothing
std::optional<std::size_t> bytesSpelling(const QString& raw, std::string_view text);

}  // namespace qatutor
