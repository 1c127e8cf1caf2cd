// The question reader: walks the chosen assignment one bank line per click of Next, and the ways
// a run ends: the next assignment's line, an exit routine, quit program.
#pragma once

#include <string>
#include <string_view>

#include "bank/bank_grammar.h"
#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// The Next command: reads the next piece and appends it to the question box. A routine line
// is carried out instead of shown, and then the following piece is shown in the same click
// (whatever it is). Reaching the line that begins with the next assignment's number ends the
// program.
void cmdNextQuestion(Host& host, Session& session);

// Advances `lineCursor` to the next non-empty line and leaves it in `pendingText`. Reaching
// the next assignment's number tells the student that the assignment is finished (see
// assignmentFinishedMessage) and ends the program.
void readNextQuestion(Host& host, Session& session);

// Whether the next click of Next ends the program, found without changing anything: its take
// reaches the line with the next assignment's number, or is a routine line that ends the
// program, or is a routine that does nothing and the take after it reaches that number. A
// click that would run off the bank line table (an index error) does not count.
bool nextClickEndsRun(const Session& session);

// What the student is told when the run ends at the next assignment's number: the assignment
// is finished, the folder of the record files as this computer names it, and the send file
// that goes to the instructor.
std::string assignmentFinishedMessage(Host& host, const Session& session);

// remSpaces(" exit-prog ") -> "exitprog"; tabs and line breaks stay.
std::string remSpaces(std::string_view aLine);

// "graph1", "graph2" and "graph3" (any case) do nothing; "exitprog" and every other name,
// the empty one included, end the program.
void runRoutine(Host& host, std::string_view routine);
// Whether runRoutine ends the program for this name, given in lower case without blanks.
bool routineEndsProgram(std::string_view lowerCaseName);

// "quit program": ends the program at once.
[[noreturn]] void cmdQuit(Host& host);

}  // namespace qatutor
