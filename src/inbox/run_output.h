// Where the outputs of one run go, and how they are put in place so that the report and the
// records table an instructor opens always come from the same run:
//
//   FOLDER/report.html                       the report, put in place last
//   FOLDER/report-20261208-210405/           the run's own folder, named by the run's start:
//          records.csv, student-1.html, ...  the records table and a page per student
//
// The run's folder is written under a hidden name (.report-20261208-210405.XXXXXX) and renamed
// once every file in it has reached the disk; only then is report.html, which links to that
// folder alone, renamed over the old report; the folders of earlier runs are removed after that.
// A run killed at any moment leaves the earlier report with its folder, or the new report with
// its own, never one with the other's. What a killed run left behind (hidden files and folders,
// a folder no report links to) the next run removes. Two runs into one folder take turns.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "inbox/atomic_output.h"

namespace qatutor::inbox {

class RunOutput {
public:
    // Waits for any other run writing into `folder`, removes what killed runs left there and
    // starts this run's hidden folder; error() says why that failed.
    explicit RunOutput(std::string folder);
    ~RunOutput();  // an output never put in place is removed
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    // The first thing that failed, or empty; once set, nothing will be put in place.
    const std::string& error() const { return error_; }

    // The link from report.html to a file of this run: "report-20261208-210405/records.csv".
    std::string linkTo(std::string_view name) const;

    // A new file in the run's folder, or null (and error() set).
    std::FILE* create(std::string_view name);
    // Closes a file from create(); its bytes reach the disk before commit() puts it in place.
    void finish(std::FILE* file);

    // Puts the run's folder in place, then report.html as `writeReport` writes it, then removes
    // the earlier runs' outputs. Returns error(): empty when all is in place.
    std::string commit(const std::function<void(std::FILE*)>& writeReport);

private:
    void fail(const std::string& what, const std::string& reason);

    std::string folder_;
    std::string runName_;      // "report-20261208-210405"
    std::string workingPath_;  // the hidden folder while the run writes it
    std::string error_;
    FolderLock lock_;
    bool committed_ = false;
};

// True for the name of a run's folder, hidden or in place, and of report.html and records.csv:
// the outputs that are never read back as students' files.
bool isReportOutput(std::string_view name);

}  // namespace qatutor::inbox
