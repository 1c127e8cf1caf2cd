// The question reader: walks the chosen assignment one bank line per click of Next, and the ways
// a run ends: the next assignment's line, an exit routine, quit program.
#pragma once

#include <string>
#include <string_view>

#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// The Next command: reads the next piece and appends it to the question box. A routine line
// is carried out instead of shown, and then the following piece is shown in the same click
// (whatever it is). Reaching the line that begins with the next assignment's number ends the
// program.
void cmdNextQuestion(Host& host, Session& session);

// Advances `lineCursor` to the next non-empty line and leaves it in `pendingText`.
void readNextQuestion(Host& host, Session& session);

// expandLineBreaks("a{}b") -> "a\r\nb"     expandLineBreaks("{{}}") -> "{\r\n}"
std::string expandLineBreaks(std::string_view text);

// remSpaces(" exit-prog ") -> "exitprog"; tabs and line breaks stay.
std::string remSpaces(std::string_view aLine);

// "graph1", "graph2" and "graph3" (any case) do nothing; "exitprog" and every other name,
// the empty one included, end the program.
void runRoutine(Host& host, std::string_view routine);

// "quit program": ends the program at once.
[[noreturn]] void cmdQuit(Host& host);

}  // namespace qatutor
