// Measurements of the core alone, without a window.
#pragma once

namespace qatutor::bench {

// Reading and loading a bank source of 5,000 lines and about `megabytes` MB into the bank line
// table, against reading its bytes.
int loadBank(bool tutor, int megabytes, int runs);
// Enter Response through the core alone, with a `megabytes` MB response that the host hands over
// as bytes: composing the record and writing it to the master and send files, against write+fsync
// of the same record to two files.
int recordCore(bool tutor, int megabytes, int runs);
// One record of `megabytes` MB appended through a file channel (open, lock, write, fsync,
// close), against open, write, fsync and close.
int channelWrite(bool tutor, int megabytes, int runs);

}  // namespace qatutor::bench
