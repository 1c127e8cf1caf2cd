// The inbox's reading of a record file, and the report and table written from what it read:
// any bytes, as a file that reached the instructor. Every record read lies inside the file, every
// damaged place names a line of it, and the HTML of any text holds no markup character of its own.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "inbox/html.h"
#include "inbox/inbox.h"
#include "inbox/record_file.h"
#include "inbox/records_csv.h"
#include "inbox/report.h"
#include "inbox/resaved_file.h"
#include "inbox/student_page.h"
#include "inbox/student_work.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qatutor::inbox;
    static const CourseIndex& course = CourseIndex::builtIn();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    restoreWindows1252(bytes);
    normalizeLineEnds(bytes);
    restoreTrimmedBlanks(bytes);

    Inbox inbox;
    StudentFile file;
    file.name = "send_1207Fuzz.txt";
    file.student = "Fuzz";
    file.kind = FileKind::send;
    file.parsed = parseRecordFile(bytes, course);
    if (!file.parsed.problem.empty() && !file.parsed.records.empty()) std::abort();
    std::size_t textBytes = 0;
    for (const Record& record : file.parsed.records) {
        if (record.run >= file.parsed.runs.size()) std::abort();
        textBytes += record.text.size();
        const std::string html = htmlText(record.text);
        if (html.find('<') != std::string::npos || html.find('>') != std::string::npos)
            std::abort();
    }
    if (textBytes > bytes.size()) std::abort();
    const std::size_t lines =
        static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    for (const Damage& damage : file.parsed.damage)
        if (damage.line == 0 || damage.line > lines || damage.expected.empty()) std::abort();
    file.duplicate.assign(file.parsed.records.size(), false);
    inbox.files.push_back(std::move(file));

    static std::FILE* nowhere = std::fopen("/dev/null", "wb");
    const auto work = groupByStudent(inbox, course);
    ReportSummary summary;
    summary.add(inbox, work, course, "report-20261207-140509/student-1.html");
    writeStudentPage(nowhere, work, "../report.html");
    writeReport(nowhere, summary, "fuzz", "report-20261207-140509/records.csv");
    writeCsvRows(nowhere, work);
    return 0;
}
