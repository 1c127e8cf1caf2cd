// One run of the inbox: read the files, write report.html and records.csv into a folder.
#pragma once

#include <string>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/inbox.h"

namespace qatutor::inbox {

struct InboxRun {
    std::string error;  // the report could not be written: why (nothing was changed)
    std::size_t filesRead = 0;
    std::size_t students = 0, responses = 0, notes = 0;
    std::vector<FileLine> notRead;
    std::vector<FileLine> damaged;  // read, with lines that break the record layout
    std::string reportPath, csvPath;
};

// Reads every file and folder of `paths` and writes the report and the records table into
// `outputFolder`, each whole or not at all.
InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course);

}  // namespace qatutor::inbox
