#include "inbox/record_file.h"

#include <vector>

#include "base/text.h"
#include "inbox/damaged_reading.h"
#include "inbox/exact_reading.h"
#include "inbox/record_scan.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

// Reads the file exactly when it keeps to the layout throughout, else in stretches past its
// damage.
ParsedFile readRuns(std::string_view bytes, const CourseIndex& course) {
    ParsedFile file;
    const RecordScan scan(bytes, course);
    const std::vector<std::size_t>& starts = scan.startPositions();
    if (starts.empty() || starts.front() != 0 || scan.starts().front().kind != Start::header) {
        file.problem = "not a record file of the tutor: it does not begin with a file header";
        return file;
    }
    ExactReading exact(scan);
    DamagedReading damaged(scan, exact);
    exact.solve(0, bytes.size());
    if (exact.reads(0, bytes.size())) {
        std::vector<Span> spans;
        std::string noMark;
        exact.walk(0, bytes.size(), file, &spans, noMark);
        if (!damaged.holdsAnotherStart(spans)) return file;
        file = ParsedFile();
    }
    damaged.read(file);
    if (file.records.empty() && !file.damage.empty()) {
        file = ParsedFile();
        file.problem = "its records are not in the tutor's layout";
    }
    return file;
}

bool readWhole(const ParsedFile& parsed) {
    return !parsed.cutOff && parsed.problem.empty() && parsed.damage.empty();
}

}  // namespace

ParsedFile parseRecordFile(std::string_view bytes, const CourseIndex& course) {
    // Empty lines that a mail program added at the end belong to no record: every record file
    // ends with one line end at most.
    const std::string emptyLine = std::string(lineEnd) + std::string(lineEnd);
    while (bytes.ends_with(emptyLine)) bytes.remove_suffix(lineEnd.size());
    ParsedFile file = readRuns(bytes, course);
    if (readWhole(file) || bytes.empty() || bytes.ends_with(lineEnd)) return file;
    // An editor may save the file without its last line end: read it as if it were there.
    const std::string ended = std::string(bytes) + std::string(lineEnd);
    ParsedFile retried = readRuns(ended, course);
    if (!readWhole(retried)) return file;
    retried.lastLineEndMissing = true;
    return retried;
}

int secondsOf(std::string_view time) {
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return -1;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(time[i])) return -1;
    auto two = [&](std::size_t i) { return (time[i] - '0') * 10 + (time[i + 1] - '0'); };
    return two(0) * 3600 + two(3) * 60 + two(6);
}

}  // namespace qatutor::inbox
