#include "inbox/run_output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "inbox/atomic_output.h"
#include "inbox/inbox.h"
#include "inbox/path_text.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view runPrefix = "report-";
constexpr std::size_t temporaryMarkLength = 6;  // the XXXXXX of mkstemp and mkdtemp

// The records table as versions before the run's folder wrote it beside the report.
constexpr std::string_view earlierCsvHeader =
    "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,status\r\n";

bool digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "report-20261208-210405", or with a number when a second run started in the same second:
// "report-20261208-210405-2".
bool isRunFolderName(std::string_view name) {
    if (name.substr(0, runPrefix.size()) != runPrefix) return false;
    name.remove_prefix(runPrefix.size());
    if (name.size() < 15 || !digits(name.substr(0, 8)) || name[8] != '-' ||
        !digits(name.substr(9, 6)))
        return false;
    name.remove_prefix(15);
    return name.empty() || (name[0] == '-' && digits(name.substr(1)));
}

// ".NAME.XXXXXX" where NAME passes `isName`: a temporary of a run that did not finish.
template <typename IsName>
bool isTemporaryOf(std::string_view name, IsName isName) {
    if (name.size() < temporaryMarkLength + 3 || name[0] != '.' ||
        name[name.size() - temporaryMarkLength - 1] != '.')
        return false;
    return isName(name.substr(1, name.size() - temporaryMarkLength - 2));
}

bool isLeftBehind(std::string_view name) {
    return isTemporaryOf(name, isRunFolderName) || isTemporaryOf(name, [](std::string_view base) {
               return base == reportName || base == csvName;
           });
}

// A run's folder holds records.csv and student-N.html, and nothing the instructor put there.
bool holdsOnlyRunOutput(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = textOf(it->path().filename());
        const bool page = name.size() > 13 && name.substr(0, 8) == "student-" &&
                          name.substr(name.size() - 5) == ".html" &&
                          digits(std::string_view(name).substr(8, name.size() - 13));
        if (!(name == csvName || page) || !it->is_regular_file(error)) return false;
    }
    return !error;
}

// The paths of the entries of `folder` whose names pass `wanted`.
template <typename Wanted>
std::vector<std::string> namesIn(const std::string& folder, Wanted wanted) {
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::directory_iterator it(pathOf(folder), error), end; !error && it != end;
         it.increment(error))
        if (wanted(textOf(it->path().filename()))) paths.push_back(textOf(it->path()));
    return paths;
}

std::string startOfRun() {
    const std::time_t now = std::time(nullptr);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", std::localtime(&now));
    return std::string(runPrefix) + buffer;
}

}  // namespace

bool isReportOutput(std::string_view name) {
    return name == reportName || name == csvName || isRunFolderName(name) || isLeftBehind(name);
}

RunOutput::RunOutput(std::string folder) : folder_(std::move(folder)) {
    // Another run into this folder holds the lock until it ends, or is killed.
    if (std::string reason = lock_.take(folder_); !reason.empty()) {
        fail("cannot open the folder " + folder_, reason);
        return;
    }
    std::error_code error;
    for (const std::string& name :
         namesIn(folder_, [](std::string_view name) { return isLeftBehind(name); }))
        fs::remove_all(pathOf(name), error);
    runName_ = startOfRun();
    for (int n = 2; fs::exists(pathOf(folder_) / pathOf(runName_), error); ++n)
        runName_ = startOfRun() + "-" + std::to_string(n);
    HiddenFolder working = makeHiddenFolder(folder_, runName_);
    if (working.path.empty())
        fail("cannot create a folder in " + folder_, working.reason);
    else
        workingPath_ = std::move(working.path);
}

RunOutput::~RunOutput() {
    if (!committed_ && !workingPath_.empty()) {
        std::error_code ignored;
        fs::remove_all(pathOf(workingPath_), ignored);
    }
}

void RunOutput::fail(const std::string& what, const std::string& reason) {
    if (error_.empty()) error_ = what + ": " + reason;
}

std::string RunOutput::linkTo(std::string_view name) const {
    return runName_ + "/" + std::string(name);
}

std::FILE* RunOutput::create(std::string_view name) {
    if (!error_.empty()) return nullptr;
    std::FILE* file = createOutputFile(workingPath_ + "/" + std::string(name));
    if (!file) fail("cannot write " + folder_ + "/" + linkTo(name), std::strerror(errno));
    return file;
}

void RunOutput::finish(std::FILE* file) {
    if (!file) return;
    if (std::string reason = finishOutputFile(file); !reason.empty())
        fail("cannot write into " + folder_ + "/" + runName_, reason);
}

std::string RunOutput::commit(const std::function<void(std::FILE*)>& writeReport) {
    if (!error_.empty()) return error_;
    // Every file of the run reaches the disk before the folder is put in place.
    if (std::string reason = lock_.syncWritten(workingPath_); !reason.empty())
        fail("cannot write into " + folder_ + "/" + runName_, reason);
    if (!error_.empty()) return error_;
    const std::string runPath = folder_ + "/" + runName_;
    if (std::string reason = moveFolder(workingPath_, runPath); !reason.empty()) {
        fail("cannot write " + runPath, reason);
        return error_;
    }
    workingPath_ = runPath;
    // A records table that an earlier version wrote beside the report would now stand beside a
    // report of another run.
    std::error_code error;
    const std::string oldCsv = folder_ + "/" + csvName;
    std::string start(earlierCsvHeader.size(), '\0');
    std::ifstream(pathOf(oldCsv), std::ios::binary)
        .read(start.data(), std::streamsize(start.size()));
    if (start == earlierCsvHeader) fs::remove(pathOf(oldCsv), error);

    error_ = writeAtomically(folder_, reportName, writeReport);
    if (!error_.empty()) return error_;  // the folder, linked from no report, goes next run
    committed_ = true;
    for (const std::string& path : namesIn(folder_, [&](std::string_view name) {
             return name != runName_ && isRunFolderName(name);
         }))
        if (holdsOnlyRunOutput(pathOf(path))) fs::remove_all(pathOf(path), error);
    return {};
}

}  // namespace qatutor::inbox
