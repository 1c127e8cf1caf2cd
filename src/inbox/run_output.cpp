#include "inbox/run_output.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "inbox/atomic_output.h"
#include "inbox/inbox_error.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

// The records table as versions before the run's folder wrote it beside the report.
constexpr std::string_view earlierCsvHeader =
    "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,status\r\n";

// A run's folder holds records.csv, overview.html, questions.html and student-N.html, and
// nothing the instructor put there.
bool holdsOnlyRunOutput(const std::string& folder) {
    try {
        for (const std::string& name : namesIn(folder))
            if (!(name == csvName || name == overviewName || name == questionsName ||
                  isStudentPageName(name)) ||
                entryKindOf(joinPath(folder, name)) != EntryKind::regularFile)
                return false;
    } catch (const InboxError&) {
        return false;  // what cannot be looked into is kept
    }
    return true;
}

// The paths of the entries of `folder` whose names pass `wanted`; none when it cannot be read.
template <typename Wanted>
std::vector<std::string> entriesIn(const std::string& folder, Wanted wanted) {
    std::vector<std::string> paths;
    try {
        for (const std::string& name : namesIn(folder))
            if (wanted(name)) paths.push_back(joinPath(folder, name));
    } catch (const InboxError&) {
    }
    return paths;
}

// Whether `path` begins with the records table as earlier versions wrote it beside the report.
bool isEarlierCsv(const std::string& path) {
    std::string start(earlierCsvHeader.size(), '\0');
    try {
        OpenFile file(path);
        std::size_t done = 0;
        while (done < start.size())
            if (const std::size_t got = file.read(start.data() + done, start.size() - done))
                done += got;
            else
                return false;
    } catch (const InboxError&) {
        return false;
    }
    return start == earlierCsvHeader;
}

std::string startOfRun() {
    const std::time_t now = currentTime();
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", std::localtime(&now));
    return runFolderName(buffer);
}

}  // namespace

RunOutput::RunOutput(std::string folder) : folder_(std::move(folder)) {
    // Another run into this folder holds the lock until it ends, or is killed.
    explained("cannot open the report's folder " + folder_, [&] { lock_.take(folder_); });
    removeLeftBehind();
    // One reading of the clock: a second that turns meanwhile never skips a free name.
    const std::string start = startOfRun();
    runName_ = start;
    for (int n = 2; entryKindOf(joinPath(folder_, runName_)) != EntryKind::missing; ++n)
        runName_ = start + "-" + std::to_string(n);
    workingPath_ = explained("cannot write into the report's folder " + folder_,
                             [&] { return makeHiddenFolder(folder_, runName_); });
}

// What a failed run wrote is removed as far as it can be; whatever stays is hidden and no report
// links to it, and the next run removes it (removeLeftBehind).
RunOutput::~RunOutput() {
    for (std::FILE* file : open_) std::fclose(file);
    if (!committed_ && !workingPath_.empty()) removeAll(workingPath_);
}

// Best effort: what cannot be removed now is hidden, linked to by no report, and tried again by
// the next run.
void RunOutput::removeLeftBehind() const {
    for (const std::string& path : entriesIn(folder_, isLeftBehind)) removeAll(path);
}

std::string RunOutput::linkTo(std::string_view name) const {
    return runName_ + "/" + std::string(name);
}

std::string RunOutput::placeOf(std::string_view name) const {
    return joinPath(joinPath(folder_, runName_), name);
}

std::FILE* RunOutput::create(std::string_view name) {
    std::FILE* file = explained("cannot write " + placeOf(name),
                                [&] { return createOutputFile(joinPath(workingPath_, name)); });
    open_.push_back(file);
    return file;
}

void RunOutput::finish(std::FILE* file) {
    open_.erase(std::remove(open_.begin(), open_.end(), file), open_.end());
    explained("cannot write into " + joinPath(folder_, runName_), [&] { finishOutputFile(file); });
}

void RunOutput::commit(const std::function<void(std::FILE*)>& writeReport) {
    const std::string runPath = joinPath(folder_, runName_);
    // Every file of the run reaches the disk before the folder is put in place.
    explained("cannot write into " + runPath, [&] { lock_.syncWritten(workingPath_); });
    explained("cannot write " + runPath, [&] { moveFolder(workingPath_, runPath); });
    workingPath_ = runPath;
    // Should the report fail, the run's folder, which no report links to, goes with this output.
    writeAtomically(folder_, reportName, writeReport);
    committed_ = true;
    removeEarlierRuns();
}

// Best effort, once this run's report is in place: an earlier output that cannot be removed
// now stays beside it, linked to by no report, and the next run tries again.
void RunOutput::removeEarlierRuns() const {
    // A records table that an earlier version wrote beside the report now stands beside a report
    // of another run; until that report is in place, it still goes with the earlier one.
    if (const std::string oldCsv = joinPath(folder_, csvName); isEarlierCsv(oldCsv))
        removeAll(oldCsv);
    for (const std::string& path : entriesIn(folder_, [&](std::string_view name) {
             return name != runName_ && isRunFolderName(name);
         }))
        if (holdsOnlyRunOutput(path)) removeAll(path);
}

}  // namespace qatutor::inbox
