// Where a stretch of a record file leaves the record layout, and what the layout expected there:
// the damage list's "line 23: expected the time line: blanks, then the time (HH:MM:SS) at column
// 57". Within the reader only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "inbox/record_scan.h"

namespace qatutor::inbox {

// `ranOut`: the stretch ended where the layout expected more, as at the end of a cut file.
struct LayoutBreak {
    std::size_t at = 0;
    std::string expected;
    bool ranOut = false;
};

// What the damage list says was expected where nothing else is named.
extern const std::string expectedRecord;

// Where [from, to) first leaves the record layout; nothing when it keeps to it throughout.
std::optional<LayoutBreak> firstBreak(const RecordScan& scan, std::size_t from, std::size_t to);

}  // namespace qatutor::inbox
