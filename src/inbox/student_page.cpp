#include "inbox/student_page.h"

#include <set>

#include "bank/bank_grammar.h"
#include "base/cp1252.h"
#include "inbox/html.h"
#include "inbox/report_names.h"

namespace qatutor::inbox {
namespace {

// The heading and the bank's text of the piece a run of records responds to.
std::string pieceHtml(const Record& record) {
    std::string html = "<div class=\"piece\">\n<h3>" + questionName(record) + " · " +
                       pieceName(record) + "</h3>\n";
    if (!record.quoted().empty())
        html += "<div class=\"bank\">" + htmlText(expandLineBreaks(record.quoted())) + "</div>\n";
    return html;
}

std::string entryHtml(const WorkEntry& entry, const std::string& anchor) {
    const Record& record = *entry.record;
    const bool note = record.kind == RecordKind::note;
    std::string meta = note ? "Note · " : "Response · ";
    meta += whenHtml(cp1252::toUtf8(reportDate(entry.date) + " " + record.time)) +
            ratingHtml(record) + " · <span class=\"file\">" + htmlEscaped(entry.file->name) +
            "</span>";
    if (record.incomplete)
        meta += "<span class=\"flag\">incomplete: the file ends inside this record</span>";
    if (!record.doubt.empty())
        meta += "<span class=\"flag\">" + htmlEscaped(record.doubt) + "</span>";
    return std::string(note ? "<aside class=\"note\"" : "<article class=\"response\"") + " id=\"" +
           anchor + "\">\n<p class=\"meta\">" + meta + "</p>\n<div class=\"text\">" +
           htmlText(record.text) + "</div>\n" + (note ? "</aside>\n" : "</article>\n");
}

// A section per assignment, with the doubts about whose work it is; on a page of more than one
// platform identity, the section's identity under its heading.
void writeSection(std::FILE* out, const StudentWork& s, std::size_t w, bool identities) {
    put(out, "<section class=\"student\" id=\"" + anchorOf(w) + "\">\n<h2>" +
                 htmlText(s.title.empty() ? "Assignment " + s.assignment : s.title) + "</h2>\n");
    if (identities)
        put(out, "<p class=\"identity\">On the course platform: " +
                     (s.identity.empty() ? std::string("files of no platform")
                                         : htmlEscaped(s.identity)) +
                     "</p>\n");
    for (const std::string& doubt : s.doubts)
        put(out, "<p class=\"flag doubt\">" + htmlEscaped(doubt) + "</p>\n");
    // A send file of a run's header alone (the student started the tutor and entered nothing)
    // has no first and last time to show.
    const std::string span = s.entries.empty() ? std::string()
                                               : ", from " + whenHtml(cp1252::toUtf8(s.first)) +
                                                     " to " + whenHtml(cp1252::toUtf8(s.last));
    put(out, "<p class=\"figures\">" + count(static_cast<std::size_t>(s.responses), "response") +
                 ", " + count(static_cast<std::size_t>(s.notes), "note") + span + ".</p>\n");
    std::string_view openPiece;
    bool pieceOpen = false;
    for (std::size_t e = 0; e < s.entries.size(); ++e) {
        const Record& record = *s.entries[e].record;
        if (!pieceOpen || record.quoted() != openPiece) {
            if (pieceOpen) put(out, "</div>\n");
            put(out, pieceHtml(record));
            openPiece = record.quoted();
            pieceOpen = true;
        }
        put(out, entryHtml(s.entries[e], anchorOf(w, e)));
    }
    if (pieceOpen) put(out, "</div>\n");
    put(out, "</section>\n");
}

}  // namespace

std::string anchorOf(std::size_t work) { return "w" + std::to_string(work + 1); }
std::string anchorOf(std::size_t work, std::size_t entry) {
    return anchorOf(work) + "-" + std::to_string(entry + 1);
}

std::string ratingHtml(const Record& record) {
    if (record.ratingKind == RatingKind::none) return {};
    std::string html = " · " + ratingKindName(record.ratingKind) + " ";
    if (ratingValue(record.rating))
        return html + "<span class=\"rating\">" + htmlText(record.rating) + "</span>";
    if (record.rating.empty()) return html + "<span class=\"flag\">no rating given</span>";
    return html + "<span class=\"rating\">“" + htmlText(record.rating) +
           "”</span><span class=\"flag\">not a rating of 0 to 3</span>";
}

void writeStudentPage(std::FILE* out, const std::vector<StudentWork>& work,
                      const std::string& reportLink) {
    const std::string name = work.empty() ? std::string() : work.front().student;
    put(out, pageStart("Student records: " + (name.empty() ? "(no name)" : name)));
    std::set<std::string> identities, assignments, twice;  // twice: assignments of two people
    for (const StudentWork& w : work) {
        identities.insert(w.identity);
        if (!assignments.insert(w.assignment).second) twice.insert(w.assignment);
    }
    const bool several = identities.size() > 1;
    put(out, "<nav><a href=\"" + htmlEscaped(reportLink) + "\">Student records</a>");
    for (std::size_t w = 0; w < work.size(); ++w)
        put(out, " · <a href=\"#" + anchorOf(w) + "\">Assignment " + htmlText(work[w].assignment) +
                     (twice.count(work[w].assignment) && !work[w].identity.empty()
                          ? " (" + htmlEscaped(work[w].identity) + ")"
                          : std::string()) +
                     "</a>");
    put(out, "</nav>\n<h1>" + studentName(name) + "</h1>\n");
    if (!several && !work.empty() && !work.front().identity.empty())
        put(out, "<p class=\"identity\">On the course platform: " +
                     htmlEscaped(work.front().identity) + "</p>\n");
    for (std::size_t w = 0; w < work.size(); ++w) writeSection(out, work[w], w, several);
    put(out, pageEnd);
}

}  // namespace qatutor::inbox
