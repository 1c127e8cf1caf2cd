#include "inbox/run_output.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "inbox/inbox_error.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

// The records table as versions before the run's folder wrote it beside the report.
constexpr std::string_view earlierCsvHeader =
    "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,status\r\n";

// A run's folder holds records.csv and student-N.html, and nothing the instructor put there.
bool holdsOnlyRunOutput(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = textOf(it->path().filename());
        if (!(name == csvName || isStudentPageName(name)) || !it->is_regular_file(error))
            return false;
    }
    return !error;
}

// The paths of the entries of `folder` whose names pass `wanted`.
template <typename Wanted>
std::vector<fs::path> entriesIn(const std::string& folder, Wanted wanted) {
    std::vector<fs::path> paths;
    std::error_code error;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end;
         it.increment(error))
        if (wanted(textOf(it->path().filename()))) paths.push_back(it->path());
    return paths;
}

std::string startOfRun() {
    const std::time_t now = std::time(nullptr);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", std::localtime(&now));
    return runFolderName(buffer);
}

}  // namespace

RunOutput::RunOutput(std::string folder) : folder_(std::move(folder)) {
    // Another run into this folder holds the lock until it ends, or is killed.
    explained("cannot open the report's folder " + folder_, [&] { lock_.take(folder_); });
    removeLeftBehind();
    runName_ = startOfRun();
    std::error_code error;
    for (int n = 2; fs::exists(pathOf(joinPath(folder_, runName_)), error); ++n)
        runName_ = startOfRun() + "-" + std::to_string(n);
    workingPath_ = explained("cannot write into the report's folder " + folder_,
                             [&] { return makeHiddenFolder(folder_, runName_); });
}

RunOutput::~RunOutput() {
    for (std::FILE* file : open_) std::fclose(file);
    if (!committed_ && !workingPath_.empty()) {
        std::error_code ignored;
        fs::remove_all(pathOf(workingPath_), ignored);
    }
}

void RunOutput::removeLeftBehind() const {
    std::error_code ignored;
    for (const fs::path& path : entriesIn(folder_, isLeftBehind)) fs::remove_all(path, ignored);
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
    // A records table that an earlier version wrote beside the report would now stand beside a
    // report of another run.
    const std::string oldCsv = joinPath(folder_, csvName);
    std::string start(earlierCsvHeader.size(), '\0');
    std::ifstream(pathOf(oldCsv), std::ios::binary)
        .read(start.data(), std::streamsize(start.size()));
    std::error_code ignored;
    if (start == earlierCsvHeader) fs::remove(pathOf(oldCsv), ignored);

    // Should the report fail, the run's folder, which no report links to, goes with this output.
    writeAtomically(folder_, reportName, writeReport);
    committed_ = true;
    removeEarlierRuns();
}

void RunOutput::removeEarlierRuns() const {
    std::error_code ignored;
    for (const fs::path& path : entriesIn(folder_, [&](std::string_view name) {
             return name != runName_ && isRunFolderName(name);
         }))
        if (holdsOnlyRunOutput(path)) fs::remove_all(path, ignored);
}

}  // namespace qatutor::inbox
