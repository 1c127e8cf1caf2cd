// The commands that change what the boxes show without writing a record: clear box, display
// notes and display SEND file.
#pragma once

#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// "clear box": empties the answer box, nothing else.
void cmdClearAnswerBox(Host& host);

// "display notes": appends the notes file's lines, run together with nothing between, to the
// question box. Before any note has been saved there is no notes file and nothing is added:
// then the result is false, so that the window can say that there are no notes yet.
bool cmdDisplayNoteFile(Host& host, Session& session);

// "display SEND file": appends each line of the send file to the question box after a line
// break. A send file that has been removed adds nothing.
void cmdDisplayCumulativeText(Host& host, Session& session);

}  // namespace qatutor
