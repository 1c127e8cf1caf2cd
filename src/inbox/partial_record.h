// A record read from lines that keep to the layout only in part: cut by the end of the file, or
// damaged. What each line can still tell is read: the time, a note's date, the question number,
// the bank line, the label, the text and the rating. Within the reader only.
#pragma once

#include <cstddef>

#include "inbox/record_file.h"
#include "inbox/record_scan.h"

namespace qatutor::inbox {

// The record of [from, to), read as far as it keeps to the layout; `cut`: the file ends at `to`,
// and the record is marked incomplete.
Record partialRecord(const RecordScan& scan, std::size_t from, std::size_t to, bool cut,
                     const Run& run);

}  // namespace qatutor::inbox
