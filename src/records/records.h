// The records the tutor appends to the student's files: the file header at start-up, the
// response record (Enter Response) and the notes record (Save as Notes).
//
// A recording command opens all its files first (so a file that cannot be opened fails before
// anything is asked or written), reads the clock, asks its rating, builds each file's whole
// record in memory and appends it with one write that is flushed to disk. A record therefore
// reaches each file whole or not at all, even if the program dies in the rating dialog.
#pragma once

#include "host/host.h"
#include "session/session.h"

namespace qatutor {

// Appends the file header (noise line, assignment label and number, the assignment's header
// line, the course title, the date) to the master and send files.
void writeFileHeader(Host& host, Session& session);

// Enter Response: records the answer box's text with the bank line it answers and a rating,
// unless the box still holds exactly the answer prompt; empties both boxes either way.
void cmdEnterResponse(Host& host, Session& session);

// Save as Notes: records the answer box's text as a note in the master, send and notes files,
// unless the box still holds exactly the answer prompt; empties both boxes either way.
void cmdSaveAsNotes(Host& host, Session& session);

}  // namespace qatutor
