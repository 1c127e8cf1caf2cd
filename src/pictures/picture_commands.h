// The picture commands: copy picture, next picture, pend exp and the circle timer's tick.
#pragma once

#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// "copy picture": Picture1's picture to the clipboard, then the clipboard's picture to Picture2.
void cmdCopyPicture(Host& host);

// "next picture": runs the routine lines at the two positions after lineCursor (the second
// counted from where the first left lineCursor), moving lineCursor onto each one run.
void cmdNextPicture(Host& host, Session& session);

// Whether the next click of next picture ends the program, found without changing anything: a
// routine line it would run ends the program. A click that would run off the bank line table
// (an index error) does not count.
bool nextPictureEndsRun(const Session& session);

// "pend exp": starts the circle timer; a second click changes nothing.
void cmdPendExp(Host& host);

// A tick of the circle timer: a beep and one more circle in Picture1, centred at (500, 500)
// with a random radius from 0 up to, not including, 500.
void timerTick(Host& host);

}  // namespace qatutor
