#include "inbox/records_csv.h"

#include "base/cp1252.h"
#include "inbox/html.h"
#include "inbox/report_names.h"

namespace qatutor::inbox {
namespace {

// The characters with which a spreadsheet starts a formula, or skips to one.
constexpr std::string_view formulaStarts = "=+-@\t\r";

// How far the record can be trusted: read whole, cut off by the file's end, read from lines that
// break the record layout, or read whole beside such lines.
const char* statusOf(const Record& r) {
    if (r.incomplete) return "incomplete";
    if (r.damaged) return "damaged";
    if (!r.doubt.empty()) return "next to damage";
    return "complete";
}

}  // namespace

std::string csvField(std::string_view utf8) {
    std::string field = "\"";
    if (!utf8.empty() && formulaStarts.find(utf8.front()) != std::string_view::npos) field += '\'';
    for (char c : utf8) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

void writeCsvHeader(std::FILE* out) {
    // The byte-order mark first: a spreadsheet opened by a double click reads the table as UTF-8
    // only when it starts with one, and "Zoë" as "ZoÃ«" without. "year-first date" is the date as
    // a spreadsheet sorts and reads it everywhere; "date" stays as the tutor wrote it, month
    // first. The platform's identity of the person comes last, after the columns of earlier
    // versions.
    put(out,
        "\xEF\xBB\xBFstudent,file,date,time,assignment,question,piece,kind,rating kind,rating,text,"
        "status,year-first date,platform identity\r\n");
}

void writeCsvRows(std::FILE* out, const std::vector<StudentWork>& work) {
    for (const StudentWork& s : work) {
        for (const WorkEntry& entry : s.entries) {
            const Record& r = *entry.record;
            const std::string fields[] = {s.student,
                                          entry.file->name,
                                          cp1252::toUtf8(entry.date),
                                          cp1252::toUtf8(r.time),
                                          cp1252::toUtf8(s.assignment),
                                          r.question > 0 ? std::to_string(r.question) : "",
                                          pieceName(r),
                                          r.kind == RecordKind::note ? "note" : "response",
                                          ratingKindName(r.ratingKind),
                                          cp1252::toUtf8(r.rating),
                                          cp1252::toUtf8(r.text),
                                          statusOf(r),
                                          cp1252::toUtf8(reportDate(entry.date)),
                                          entry.file->identity};
            std::string row;
            for (const std::string& field : fields)
                row += (row.empty() ? "" : ",") + csvField(field);
            put(out, row + "\r\n");
        }
    }
}

}  // namespace qatutor::inbox
