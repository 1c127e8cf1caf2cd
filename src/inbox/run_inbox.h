// One run of the inbox: read the files one student at a time, write each student's page and
// records as they are read, then the overview, the questions and report.html (run_output.h tells
// where each goes).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "inbox/class_list.h"
#include "inbox/course_index.h"
#include "inbox/inbox_error.h"
#include "inbox/inbox_listing.h"
#include "inbox/report.h"

namespace qatutor::inbox {

struct InboxRun {
    // Set when the report could not be written, with why. The earlier report, if any, and its
    // outputs are then as they were; what killed runs left behind may be gone.
    std::optional<InboxError> failure;
    bool folderRefused = false;  // because its folder cannot be written into
    Totals totals;
    std::vector<FileLine> notRead;
    std::vector<FileLine> damaged;      // read, with lines that break the record layout
    std::vector<FileLine> noRecords;    // plainly no record files, not read
    std::vector<OverviewRow> overview;  // the overview page's rows, one per person and assignment
    std::string reportPath, csvPath;
};

// Reads every file and folder of `paths` and writes the report, the records table, the overview,
// the questions and the students' pages into `outputFolder`, all of one run or none; with a
// class list, the report says who on it has not handed in what; names of one group of `aliases`
// are one student's. The instructor's own `instructors` files (the class list), where they lie
// among the files read, are listed as no record files.
// Memory holds one student's files at a time, and the figures of the report. Whatever fails on
// the way, an InboxError or any other exception (no memory left), ends the run here, with its
// reason in `failure`.
InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course, const ClassList* classList = nullptr,
                  const AliasGroups& aliases = {},
                  const std::vector<InstructorsFile>& instructors = {});

// The program's exit status after a run: 0 every file was read, 1 some were not or were read
// with damage (the report is written all the same), 2 the report could not be written, as for a
// command line that names nothing to read. Files that are plainly no record files (a receipt,
// Thumbs.db) change nothing.
inline constexpr int everyFileRead = 0;
inline constexpr int someFilesNotRead = 1;
inline constexpr int reportNotWritten = 2;
inline constexpr int usageError = 2;
int exitStatusOf(const InboxRun& run);

}  // namespace qatutor::inbox
