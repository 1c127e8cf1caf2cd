#include "inbox/run_inbox.h"

#include <map>

#include "inbox/file_names.h"
#include "inbox/inbox.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"
#include "inbox/questions_page.h"
#include "inbox/records_csv.h"
#include "inbox/run_output.h"
#include "inbox/student_page.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {
namespace {

// What was read, for the report's first line: the paths given, made absolute.
std::string sourcesOf(const std::vector<std::string>& paths) {
    std::string sources;
    for (const std::string& path : paths)
        sources += (sources.empty() ? "" : ", ") + utf8Name(absolutePath(path));
    return sources;
}

// Writes one student's page and their rows of the records table.
void writeStudent(const Inbox& inbox, const CourseIndex& course, RunOutput& output, std::FILE* csv,
                  ReportSummary& summary, std::size_t& pages) {
    const std::vector<StudentWork> work = groupByStudent(inbox, course);
    std::string page;
    if (!work.empty()) {
        const std::string name = studentPageName(++pages);
        page = name;
        std::FILE* out = output.create(name);
        writeStudentPage(out, work, std::string("../") + reportName);
        output.finish(out);
    }
    writeCsvRows(csv, work);
    summary.add(inbox, work, course, page);
}

void writeDetail(RunOutput& output, const char* name, const ReportSummary& summary,
                 void (*write)(std::FILE*, const ReportSummary&)) {
    std::FILE* out = output.create(name);
    write(out, summary);
    output.finish(out);
}

void writeRun(const std::vector<std::string>& paths, const std::string& outputFolder,
              const CourseIndex& course, const ClassList* classList, const AliasGroups& aliases,
              const std::vector<InstructorsFile>& instructors, InboxRun& run) {
    run.folderRefused = true;  // until the folder has taken the run's own
    RunOutput output(outputFolder);
    run.folderRefused = false;
    ReportSummary summary;
    std::FILE* csv = output.create(csvName);
    writeCsvHeader(csv);
    InboxListing listing = listInbox(paths, instructors);
    summary.notRead = std::move(listing.notRead);
    summary.noRecords = std::move(listing.noRecords);
    std::size_t pages = 0;
    readEachStudent(std::move(listing.files), course, [&](const Inbox& inbox) {
        writeStudent(inbox, course, output, csv, summary, pages);
    });
    output.finish(csv);
    summary.finish(classList, aliases);
    writeDetail(output, overviewName, summary, writeOverviewPage);
    writeDetail(output, questionsName, summary, writeQuestionsPage);
    const std::string sources = sourcesOf(paths);
    output.commit([&](std::FILE* out) { writeReport(out, summary, sources, output.folderLink()); });
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
                  const CourseIndex& course, const ClassList* classList, const AliasGroups& aliases,
                  const std::vector<InstructorsFile>& instructors) {
    InboxRun run;
    try {
        writeRun(paths, outputFolder, course, classList, aliases, instructors, run);
    } catch (const std::exception& error) {
        const bool folderRefused = run.folderRefused;
        run = InboxRun();
        run.failure = InboxError(error.what());
        run.folderRefused = folderRefused;
    }
    return run;
}

int exitStatusOf(const InboxRun& run) {
    if (run.failure) return reportNotWritten;
    return run.notRead.empty() && run.damaged.empty() ? everyFileRead : someFilesNotRead;
}

}  // namespace qatutor::inbox
