// Commands of the main window with large texts, through the tutor's window and Qt host, against
// their floors built from bare Qt widgets and plain write+fsync. Each prints its samples.
#pragma once

namespace qatutor::bench {

// "display SEND file" of a send file of `megabytes` MB, against setPlainText of the same text.
int displaySend(bool tutor, int megabytes, int runs);
// Enter Response (`notes` false) or Save as Notes with `megabytes` MB in the answer box, against
// write+fsync of the same record to the same number of files. Samples "record" (until the record
// is on stable storage) and "click" (the whole command, emptying the boxes included).
int recordCommand(bool tutor, bool notes, int megabytes, int runs);
// Next with `megabytes` MB of unentered typing in the answer box, against setPlainText of the
// two new box texts.
int nextWithFullBox(bool tutor, int megabytes, int runs);

}  // namespace qatutor::bench
