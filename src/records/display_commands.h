// The window's auxiliary commands: clearing the answer box, showing the notes and send files
// again, the picture and routine commands, the circle timer and quitting.
#pragma once

#include "host/host.h"
#include "records/session.h"

namespace qatutor {

// "clear box": empties the answer box, nothing else.
void cmdClearAnswerBox(Host& host);

// "copy picture": Picture1's picture to the clipboard, then the clipboard's picture to Picture2.
void cmdCopyPicture(Host& host);

// "display notes": appends the notes file's lines, run together with nothing between, to the
// question box. Before any note has been saved there is no notes file and nothing is added.
void cmdDisplayNoteFile(Host& host, Session& session);

// "display SEND file": appends each line of the send file to the question box after a line
// break. A send file that has been removed adds nothing.
void cmdDisplayCumulativeText(Host& host, Session& session);

// "next picture": runs the routine lines at the two positions after lineCursor (the second
// counted from where the first left lineCursor), moving lineCursor onto each one run.
void cmdNextPicture(Host& host, Session& session);

// "pend exp": starts the circle timer; a second click changes nothing.
void cmdPendExp(Host& host);

// A tick of the circle timer: a beep and one more circle of random radius in Picture1.
void timerTick(Host& host);

// "quit program": ends the program at once.
[[noreturn]] void cmdQuit(Host& host);

}  // namespace qatutor
