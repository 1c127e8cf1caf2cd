#include "inbox/run_inbox.h"

#include <filesystem>
#include <set>

#include "inbox/atomic_output.h"
#include "inbox/report.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {

InboxRun runInbox(const std::vector<std::string>& paths, const std::string& outputFolder,
                  const CourseIndex& course) {
    InboxRun run;
    const Inbox inbox = readInbox(paths, course);
    const std::vector<StudentWork> work = groupByStudent(inbox, course);

    std::string sources;
    for (const std::string& path : paths) {
        std::error_code error;
        const std::filesystem::path full =
            std::filesystem::absolute(path, error).lexically_normal();
        sources += (sources.empty() ? "" : ", ") + utf8Name(error ? path : full.string());
    }
    run.error = writeAtomically(outputFolder, reportName, [&](std::FILE* out) {
        writeReport(out, inbox, work, course, sources);
    });
    if (run.error.empty())
        run.error =
            writeAtomically(outputFolder, csvName, [&](std::FILE* out) { writeCsv(out, work); });

    run.filesRead = inbox.files.size();
    run.notRead = inbox.notRead;
    run.damaged = inbox.damaged;
    std::set<std::string> students;
    for (const StudentWork& s : work) {
        students.insert(s.student);
        run.responses += static_cast<std::size_t>(s.responses);
        run.notes += static_cast<std::size_t>(s.notes);
    }
    run.students = students.size();
    run.reportPath = outputFolder + "/" + reportName;
    run.csvPath = outputFolder + "/" + csvName;
    return run;
}

}  // namespace qatutor::inbox
