// One run of the inbox: read the files one student at a time, write each student's page and
// records as they are read, then report.html (run_output.h tells where each goes).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/inbox.h"
#include "inbox/report.h"

namespace qatutor::inbox {

struct InboxRun {
    std::string error;  // the report could not be written: why (nothing was changed)
    Totals totals;
    std::vector<FileLine> notRead;
    std::vector<FileLine> damaged;  // read, with lines that break the record layout
    std::string reportPath, csvPath;
};

// Reads every file and folder of `paths` and writes the report, the records table and the
// students' pages into `outputFolder`, all of one run or none. Memory holds one student's files
// at a time, and the figures of the report.
InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course);

// UTF-8 text for a terminal line: control characters (C0, DEL and C1), which a terminal would
// act on, and the backslash written as escapes.
//   terminalText("a\x1b[31m\\") -> "a\\x1b[31m\\\\"
std::string terminalText(std::string_view utf8);

}  // namespace qatutor::inbox
