#include "inbox/run_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "inbox/atomic_output.h"
#include "inbox/inbox.h"

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
        const std::string name = it->path().filename().string();
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
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (wanted(it->path().filename().string())) paths.push_back(it->path().string());
    return paths;
}

std::string startOfRun() {
    const std::time_t now = std::time(nullptr);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", std::localtime(&now));
    return std::string(runPrefix) + buffer;
}

void syncFolder(const std::string& folder) {
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool isReportOutput(std::string_view name) {
    return name == reportName || name == csvName || isRunFolderName(name) || isLeftBehind(name);
}

RunOutput::RunOutput(std::string folder) : folder_(std::move(folder)) {
    lock_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0) {
        fail("cannot open the folder " + folder_, errno);
        return;
    }
    // Another run into this folder holds the lock until it ends, or is killed.
    while (::flock(lock_, LOCK_EX) != 0 && errno == EINTR) {
    }
    std::error_code error;
    for (const std::string& name :
         namesIn(folder_, [](std::string_view name) { return isLeftBehind(name); }))
        fs::remove_all(name, error);
    runName_ = startOfRun();
    for (int n = 2; fs::exists(fs::path(folder_) / runName_, error); ++n)
        runName_ = startOfRun() + "-" + std::to_string(n);
    std::string pattern = folder_ + "/." + runName_ + ".XXXXXX";
    if (::mkdtemp(pattern.data())) {
        workingPath_ = pattern;
        // mkdtemp keeps the folder to its owner; the outputs are as readable as any new file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(workingPath_.c_str(), 0777 & ~mask);
    } else
        fail("cannot create a folder in " + folder_, errno);
}

RunOutput::~RunOutput() {
    if (!committed_ && !workingPath_.empty()) {
        std::error_code ignored;
        fs::remove_all(workingPath_, ignored);
    }
    if (lock_ >= 0) ::close(lock_);
}

void RunOutput::fail(const std::string& what, int error) {
    if (error_.empty()) error_ = what + ": " + std::strerror(error);
}

std::string RunOutput::linkTo(std::string_view name) const {
    return runName_ + "/" + std::string(name);
}

std::FILE* RunOutput::create(std::string_view name) {
    if (!error_.empty()) return nullptr;
    const std::string path = workingPath_ + "/" + std::string(name);
    std::FILE* file = std::fopen(path.c_str(), "wbe");
    if (!file) {
        fail("cannot write " + folder_ + "/" + linkTo(name), errno);
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

void RunOutput::finish(std::FILE* file) {
    if (!file) return;
    int error = 0;
    if (std::ferror(file) || std::fflush(file) != 0) error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    if (error) fail("cannot write into " + folder_ + "/" + runName_, error);
}

std::string RunOutput::commit(const std::function<void(std::FILE*)>& writeReport) {
    if (!error_.empty()) return error_;
    // Every file of the run reaches the disk before the folder is put in place: one flush of the
    // file system for them all, much quicker than one per student's page.
    if (::syncfs(lock_) != 0) fail("cannot write into " + folder_ + "/" + runName_, errno);
    if (!error_.empty()) return error_;
    syncFolder(workingPath_);
    const std::string runPath = folder_ + "/" + runName_;
    if (::rename(workingPath_.c_str(), runPath.c_str()) != 0) {
        fail("cannot write " + runPath, errno);
        return error_;
    }
    workingPath_ = runPath;
    syncFolder(folder_);
    // A records table that an earlier version wrote beside the report would now stand beside a
    // report of another run.
    const std::string oldCsv = folder_ + "/" + csvName;
    std::string start(earlierCsvHeader.size(), '\0');
    std::ifstream(oldCsv, std::ios::binary).read(start.data(), std::streamsize(start.size()));
    if (start == earlierCsvHeader) ::unlink(oldCsv.c_str());

    error_ = writeAtomically(folder_, reportName, writeReport);
    if (!error_.empty()) return error_;  // the folder, linked from no report, goes next run
    committed_ = true;
    std::error_code error;
    for (const std::string& path : namesIn(folder_, [&](std::string_view name) {
             return name != runName_ && isRunFolderName(name);
         }))
        if (holdsOnlyRunOutput(path)) fs::remove_all(path, error);
    return {};
}

}  // namespace qatutor::inbox
