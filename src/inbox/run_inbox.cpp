#include "inbox/run_inbox.h"

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
        page = output.linkTo(name);
        std::FILE* out = output.create(name);
        writeStudentPage(out, work, std::string("../") + reportName);
        output.finish(out);
    }
    writeCsvRows(csv, work);
    summary.add(inbox, work, course, page);
}

void writeRun(const std::vector<std::string>& paths, const std::string& outputFolder,
              const CourseIndex& course, InboxRun& run) {
    RunOutput output(outputFolder);
    ReportSummary summary;
    std::FILE* csv = output.create(csvName);
    writeCsvHeader(csv);
    InboxListing listing = listInbox(paths);
    summary.notRead = std::move(listing.notRead);
    std::size_t pages = 0;
    readEachStudent(std::move(listing.files), course, [&](const Inbox& inbox) {
        writeStudent(inbox, course, output, csv, summary, pages);
    });
    output.finish(csv);
    const std::string sources = sourcesOf(paths);
    output.commit(
        [&](std::FILE* out) { writeReport(out, summary, sources, output.linkTo(csvName)); });
    run.totals = summary.totals;
    run.notRead = std::move(summary.notRead);
    run.damaged = std::move(summary.damaged);
    run.reportPath = joinPath(outputFolder, reportName);
    run.csvPath = output.placeOf(csvName);
}

}  // namespace

InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course) {
    InboxRun run;
    try {
        writeRun(paths, outputFolder, course, run);
    } catch (const std::exception& error) {
        run = InboxRun();
        run.failure = InboxError(error.what());
    }
    return run;
}

int exitStatusOf(const InboxRun& run) {
    if (run.failure) return reportNotWritten;
    return run.notRead.empty() && run.damaged.empty() ? everyFileRead : someFilesNotRead;
}

}  // namespace qatutor::inbox
