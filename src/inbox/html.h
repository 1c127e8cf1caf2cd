// The pieces every page of the report shares: the page's head with its style and its
// Content-Security-Policy, and text made safe for HTML.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "inbox/atomic_output.h"

namespace qatutor::inbox {

// The start of a page, up to and including <body>: no script runs in it and it loads nothing.
std::string pageStart(std::string_view title);
inline constexpr std::string_view pageEnd = "</body>\n</html>\n";

// UTF-8 text (file names, figures) as HTML text: markup characters escaped, CR LF a line break,
// the other C0 controls and DEL shown as their picture (U+2400 and on); C1 controls, which a
// browser shows as nothing, go out as they are.
//   htmlEscaped("<a>\x1b") -> "&lt;a&gt;\xE2\x90\x9B"
std::string htmlEscaped(std::string_view utf8);

// Student text, Windows-1252 bytes, as HTML text in UTF-8, escaped as htmlEscaped does.
//   htmlText("<b>\r\n") -> "&lt;b&gt;\n"
std::string htmlText(std::string_view bytes);

// A student's name (UTF-8) as HTML text; "(no name)" for a file whose name gave none.
std::string studentName(const std::string& student);

// A date and time, "2026-12-07 14:05:09", kept from breaking inside the date.
std::string whenHtml(std::string_view when);

// The mean of `n` ratings that add up to `sum`, to one decimal, a half rounded away from zero as
// a spreadsheet's ROUND does; `n` is more than 0.
//   meanText(9, 4) -> "2.3"     meanText(11, 4) -> "2.8"     meanText(6, 3) -> "2.0"
std::string meanText(long long sum, long long n);

// count(1, "note") -> "1 note"; count(2, "note") -> "2 notes"
std::string count(std::size_t n, std::string_view what);

// Writes `text` to a page or table of the report; throws InboxError when the write fails.
inline void put(std::FILE* out, std::string_view text) { writeBytes(out, text); }

}  // namespace qatutor::inbox
