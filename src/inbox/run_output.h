// Where the outputs of one run go, and how they are put in place so that the report and the
// records table an instructor opens always come from the same run:
//
//   FOLDER/report.html                       the report, put in place last
//   FOLDER/report-20261208-210405/           the run's own folder, named by the run's start:
//          records.csv, student-1.html, ...  the records table and a page per student,
//          overview.html, questions.html     and the report's detail
//
// The run's folder is written under a hidden name (.report-20261208-210405.XXXXXX) and renamed
// once every file in it has reached the disk; only then is report.html, which links to that
// folder alone, renamed over the old report; the outputs of earlier runs (their folders, and the
// records table that earlier versions wrote beside the report) are removed after that.
// A run killed at any moment leaves the earlier report with its folder, or the new report with
// its own, never one with the other's. What a killed run left behind (hidden files and folders,
// a folder no report links to) the next run removes. Two runs into one folder take turns.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "inbox/output_steps.h"

namespace qatutor::inbox {

// Every step throws InboxError saying what failed; nothing is put in place after a failure.
class RunOutput {
public:
    // Waits for any other run writing into `folder`, removes what killed runs left there and
    // starts this run's hidden folder.
    explicit RunOutput(std::string folder);
    ~RunOutput();  // a file never finished is closed, an output never put in place removed
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    // The link from report.html to a file of this run: "report-20261208-210405/records.csv".
    std::string linkTo(std::string_view name) const;
    // The link from report.html to the run's folder: "report-20261208-210405".
    const std::string& folderLink() const { return runName_; }
    // Where a file of this run stands once the run is in place: "FOLDER/report-.../records.csv".
    std::string placeOf(std::string_view name) const;

    // A new file in the run's folder, open until finish().
    std::FILE* create(std::string_view name);
    // Closes a file from create(); its bytes reach the disk before commit() puts it in place.
    void finish(std::FILE* file);

    // Puts the run's folder in place, then report.html as `writeReport` writes it, then removes
    // the earlier runs' outputs. When the report fails, the earlier report and its outputs stay.
    void commit(const std::function<void(std::FILE*)>& writeReport);

private:
    void removeLeftBehind() const;
    void removeEarlierRuns() const;

    std::string folder_;
    std::string runName_;      // "report-20261208-210405"
    std::string workingPath_;  // the hidden folder while the run writes it
    std::vector<std::FILE*> open_;
    FolderLock lock_;
    bool committed_ = false;
};

}  // namespace qatutor::inbox
