#include "inbox/run_inbox.h"

#include <filesystem>
#include <map>

#include "base/text.h"
#include "inbox/path_text.h"
#include "inbox/records_csv.h"
#include "inbox/run_output.h"
#include "inbox/student_page.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {
namespace {

namespace fs = std::filesystem;

// The files of each student, in the order listed, students by name; names that differ only in
// case, blanks or a copy mark ("Copy of", " (1)") are one student.
std::map<std::string, std::vector<std::string>> filesByStudent(
    const std::vector<std::string>& files) {
    std::map<std::string, std::vector<std::string>> students;
    for (const std::string& path : files) {
        std::string name = textOf(pathOf(path).filename());
        if (name.empty()) name = path;
        students[studentKey(studentOf(name).first)].push_back(path);
    }
    return students;
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

// Reads one student's files and writes their page and their rows of the records table.
void readStudent(const std::vector<std::string>& files, const CourseIndex& course,
                 RunOutput& output, std::FILE* csv, ReportSummary& summary, std::size_t& pages) {
    const Inbox inbox = readInbox(files, course);
    const std::vector<StudentWork> work = groupByStudent(inbox, course);
    std::string page;
    if (!work.empty()) {
        const std::string name = "student-" + std::to_string(++pages) + ".html";
        page = output.linkTo(name);
        if (std::FILE* out = output.create(name)) {
            writeStudentPage(out, work, std::string("../") + reportName);
            output.finish(out);
        }
    }
    if (csv) writeCsvRows(csv, work);
    summary.add(inbox, work, course, page);
}

}  // namespace

InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course) {
    InboxRun run;
    RunOutput output(outputFolder);
    ReportSummary summary;
    std::FILE* csv = output.create(csvName);
    if (csv) writeCsvHeader(csv);
    const InboxListing listing = listInbox(paths);
    summary.notRead = listing.notRead;
    std::size_t pages = 0;
    for (const auto& [student, files] : filesByStudent(listing.files))
        readStudent(files, course, output, csv, summary, pages);
    output.finish(csv);
    const std::string sources = sourcesOf(paths);
    run.error = output.commit(
        [&](std::FILE* out) { writeReport(out, summary, sources, output.linkTo(csvName)); });
    run.totals = summary.totals;
    run.notRead = std::move(summary.notRead);
    run.damaged = std::move(summary.damaged);
    run.reportPath = outputFolder + "/" + reportName;
    run.csvPath = outputFolder + "/" + output.linkTo(csvName);
    return run;
}

std::string terminalText(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // U+0080 to U+009F, in UTF-8 0xC2 0x80 to 0xC2 0x9F
        const bool c1 =
            c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F || c1) {
            const unsigned value = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", value);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace qatutor::inbox
