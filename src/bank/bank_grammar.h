// The markers that open a bank line, and how a routine line is told from its first characters.
// (The checker's full sorting of lines into kinds is `kindOf`, in bank_check.h.)
#pragma once

#include <string>
#include <string_view>

namespace qatutor {

inline constexpr std::string_view questionMarker = "`q";
inline constexpr std::string_view answerMarker = "`a";
inline constexpr std::string_view routineMarker = "`routine";  // any mix of letter case
static_assert(routineMarker.size() == 8);

// The first eight characters, in any case, are the routine marker.
//   isRoutineLine("`ROUTINE exitprog") -> true     isRoutineLine("`routin") -> false
bool isRoutineLine(std::string_view line);

// The routine's name as typed: the line from its tenth character on (the ninth, the separator,
// is skipped); empty for a line of eight or nine characters.
std::string_view routineNameOf(std::string_view line);

// A bank line shows each "{}" as a line break.
//   expandLineBreaks("a{}b") -> "a\r\nb"     expandLineBreaks("{{}}") -> "{\r\n}"
std::string expandLineBreaks(std::string_view text);

}  // namespace qatutor
