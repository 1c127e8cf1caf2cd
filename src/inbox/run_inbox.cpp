#include "inbox/run_inbox.h"

#include <filesystem>
#include <map>

#include "inbox/file_names.h"
#include "inbox/inbox.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"
#include "inbox/records_csv.h"
#include "inbox/run_output.h"
#include "inbox/student_page.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

using People = std::map<std::string, std::vector<ListedFile>>;

// The files of each person, in the order listed, people by name and platform identity; names
// that differ only in case, blanks or a copy mark ("Copy of", " (1)") are one student, unless a
// course platform says they are two people.
People filesByPerson(std::vector<ListedFile> files) {
    People people;
    for (ListedFile& file : files)
        people[personKey(file.student, file.identity)].push_back(std::move(file));
    return people;
}

// For each person whose name stands for more than one identity of a course platform (or for
// files of a platform and files of none), what the overview says of it.
std::map<std::string, std::string> sharedNames(const People& people) {
    std::map<std::string, std::vector<std::string>> identities;
    for (const auto& [key, files] : people)
        if (!files.front().student.empty())
            identities[studentKey(files.front().student)].push_back(files.front().identity);
    std::map<std::string, std::string> doubts;
    for (const auto& [key, files] : people) {
        const std::vector<std::string>& of = identities[studentKey(files.front().student)];
        if (of.size() < 2) continue;
        std::string list;
        for (const std::string& identity : of)
            list +=
                (list.empty() ? "" : ", ") + (identity.empty() ? "files of no platform" : identity);
        doubts[key] = "the name stands for " + std::to_string(of.size()) +
                      " people of the course platform (" + list + "), shown apart";
    }
    return doubts;
}

// What was read, for the report's first line: the paths given, made absolute.
std::string sourcesOf(const std::vector<std::string>& paths) {
    std::string sources;
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path full = fs::absolute(pathOf(path), error).lexically_normal();
        sources += (sources.empty() ? "" : ", ") + utf8Name(error ? path : textOf(full));
    }
    return sources;
}

// Reads one person's files and writes their page and their rows of the records table; `doubt`,
// when there is one, is said of each of their assignments.
void readStudent(const std::vector<ListedFile>& files, const std::string& doubt,
                 const CourseIndex& course, RunOutput& output, std::FILE* csv,
                 ReportSummary& summary, std::size_t& pages) {
    const Inbox inbox = readFiles(files, course);
    std::vector<StudentWork> work = groupByStudent(inbox, course);
    if (!doubt.empty())
        for (StudentWork& assignment : work)
            assignment.doubts.insert(assignment.doubts.begin(), doubt);
    std::string page;
    if (!work.empty()) {
        const std::string name = studentPageName(++pages);
        page = output.linkTo(name);
        std::FILE* out = output.create(name);
        writeStudentPage(out, work, std::string("../") + reportName);
        output.finish(out);
    }
    writeCsvRows(csv, work);
    summary.add(inbox, work, course, page);
}

ClassView classViewOf(const std::vector<OverviewRow>& overview, const ClassList* classList) {
    std::vector<HandedIn> work;
    for (const OverviewRow& row : overview)
        work.push_back({row.work.student, row.work.identity, row.work.assignment});
    return viewClass(work, classList);
}

void writeRun(const std::vector<std::string>& paths, const std::string& outputFolder,
              const CourseIndex& course, const ClassList* classList, InboxRun& run) {
    run.folderRefused = true;  // until the folder has taken the run's own
    RunOutput output(outputFolder);
    run.folderRefused = false;
    ReportSummary summary;
    std::FILE* csv = output.create(csvName);
    writeCsvHeader(csv);
    InboxListing listing = listInbox(paths);
    summary.notRead = std::move(listing.notRead);
    summary.noRecords = std::move(listing.noRecords);
    std::size_t pages = 0;
    const People people = filesByPerson(std::move(listing.files));
    std::map<std::string, std::string> doubts = sharedNames(people);
    for (const auto& [person, files] : people)
        readStudent(files, doubts[person], course, output, csv, summary, pages);
    output.finish(csv);
    summary.classView = classViewOf(summary.overview, classList);
    const std::string sources = sourcesOf(paths);
    output.commit(
        [&](std::FILE* out) { writeReport(out, summary, sources, output.linkTo(csvName)); });
    run.totals = summary.totals;
    run.notRead = std::move(summary.notRead);
    run.damaged = std::move(summary.damaged);
    run.noRecords = std::move(summary.noRecords);
    run.overview = std::move(summary.overview);
    run.reportPath = joinPath(outputFolder, reportName);
    run.csvPath = output.placeOf(csvName);
}

}  // namespace

InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course, const ClassList* classList) {
    InboxRun run;
    try {
        writeRun(paths, outputFolder, course, classList, run);
    } catch (const std::exception& error) {
        const bool folderRefused = run.folderRefused;
        run = InboxRun();
        run.error = error.what();
        run.folderRefused = folderRefused;
    }
    return run;
}

int exitStatusOf(const InboxRun& run) {
    if (!run.error.empty()) return usageError;
    return run.notRead.empty() && run.damaged.empty() ? everyFileRead : someFilesNotRead;
}

}  // namespace qatutor::inbox
