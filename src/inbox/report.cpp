#include "inbox/report.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

#include "bank/bank_grammar.h"
#include "base/cp1252.h"

namespace qatutor::inbox {
namespace {

// No script runs in the page, whatever a response holds: the page allows none, and loads
// nothing from anywhere.
constexpr std::string_view pageStart = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Student records</title>
<style>
body { font: 15px/1.45 "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #1d2430; margin: 0 auto; max-width: 72rem; padding: 1rem 1.5rem 3rem; }
h1 { font-size: 1.6rem; margin: .5rem 0 .2rem; }
h2 { font-size: 1.25rem; margin: 2rem 0 .6rem; border-bottom: 2px solid #c9d3e0; padding-bottom: .2rem; }
h3 { font-size: 1.05rem; margin: 1.2rem 0 .4rem; }
a { color: #1c5fb0; }
.lead { color: #4a5565; margin: 0 0 1rem; }
nav { margin: .6rem 0 1rem; }
table { border-collapse: collapse; width: 100%; margin: .4rem 0 1rem; font-size: .92rem; }
th, td { border: 1px solid #c9d3e0; padding: .3rem .45rem; text-align: left; vertical-align: top; }
th { background: #eef2f7; }
td.num { text-align: right; white-space: nowrap; }
td.missing { min-width: 7rem; }
.problems li { margin: .15rem 0; }
.problems .name, .file { font-family: "DejaVu Sans Mono", monospace; font-size: .88em; }
.ok { color: #276738; }
.flag { display: inline-block; background: #fde8d4; color: #8a3b00; border: 1px solid #f0b27a; border-radius: 3px; padding: 0 .3rem; font-size: .82rem; margin-left: .3rem; }
td.num .flag { display: block; width: fit-content; max-width: 9rem; margin: .2rem 0 0 auto; white-space: normal; text-align: left; }
.bars rect.bar { fill: #4f7fc2; }
.bars rect.odd { fill: #c2874f; }
.bars text { font-size: 9px; fill: #333; text-anchor: middle; }
.piece { margin: 1rem 0 1.4rem; }
.bank { margin: .2rem 0 .5rem; padding: .4rem .7rem; background: #f4f6f9; border-left: 4px solid #9aaac0; white-space: pre-wrap; color: #3a4452; }
.response, .note { margin: .4rem 0 .7rem 1.2rem; break-inside: avoid; }
.meta { font-size: .85rem; color: #5a6473; margin: 0 0 .15rem; }
.text { white-space: pre-wrap; overflow-wrap: anywhere; border: 1px solid #d6dde7; border-radius: 3px; padding: .4rem .6rem; background: #fff; }
.note { border-left: 4px solid #d9b650; padding-left: .6rem; }
.note .text { background: #fffbea; border-color: #eadb9e; }
.rating { font-weight: bold; }
.figures { color: #3a4452; }
.excerpt { font-size: .85rem; }
@media print {
  body { max-width: none; padding: 0; font-size: 11pt; }
  nav { display: none; }
  section.student { break-before: page; }
  a { color: inherit; text-decoration: none; }
}
</style>
</head>
<body>
)";

void put(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

// Text that is already UTF-8 (file names, figures), escaped for HTML.
std::string escaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    std::string text = buffer;
    std::replace(text.begin(), text.end(), ',', '.');  // whatever the locale says
    return text;
}

// count(1, "note") -> "1 note"; count(2, "note") -> "2 notes"
std::string count(std::size_t n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string pieceName(const Record& record) {
    if (!record.place && record.incomplete) return "a line cut off with the file";
    if (record.quoted().empty()) return "before the first question";
    if (!record.place) return "a line that is not in the course bank";
    switch (record.place->piece) {
    case Piece::question: return "question";
    case Piece::answer: return "answer";
    case Piece::continuation:
        return record.place->entry == Entry::answer ? "answer, continued" : "question, continued";
    }
    return {};
}

std::string questionName(const Record& record) {
    return record.question > 0 ? "Question " + std::to_string(record.question)
                               : "No question number";
}

std::string ratingKindName(RatingKind kind) {
    switch (kind) {
    case RatingKind::confidence: return "confidence";
    case RatingKind::selfCritique: return "self-critique";
    case RatingKind::none: return "";
    }
    return {};
}

std::string anchorOf(std::size_t work) { return "w" + std::to_string(work + 1); }
std::string anchorOf(std::size_t work, std::size_t entry) {
    return anchorOf(work) + "-" + std::to_string(entry + 1);
}

// The rating, as typed, flagged when it is not 0 to 3.
std::string ratingHtml(const Record& record) {
    if (record.ratingKind == RatingKind::none) return {};
    std::string html = " · " + ratingKindName(record.ratingKind) + " ";
    if (ratingValue(record.rating))
        return html + "<span class=\"rating\">" + htmlText(record.rating) + "</span>";
    if (record.rating.empty()) return html + "<span class=\"flag\">no rating given</span>";
    return html + "<span class=\"rating\">“" + htmlText(record.rating) +
           "”</span><span class=\"flag\">not a rating of 0 to 3</span>";
}

struct Distribution {
    int counts[5] = {0, 0, 0, 0, 0};  // 0, 1, 2, 3, and anything else
    void add(const Record& record) { ++counts[ratingValue(record.rating).value_or(4)]; }
    int total() const { return counts[0] + counts[1] + counts[2] + counts[3] + counts[4]; }
};

// A small bar chart of ratings 0 to 3 and "other" (?).
std::string barChart(const Distribution& d, const std::string& what) {
    if (d.total() == 0) return "–";
    const int most = *std::max_element(std::begin(d.counts), std::end(d.counts));
    std::string label = what + " ratings: 0: " + std::to_string(d.counts[0]) +
                        ", 1: " + std::to_string(d.counts[1]) +
                        ", 2: " + std::to_string(d.counts[2]) +
                        ", 3: " + std::to_string(d.counts[3]) +
                        ", missing or not 0 to 3: " + std::to_string(d.counts[4]);
    std::string svg =
        "<svg class=\"bars\" width=\"112\" height=\"50\" viewBox=\"0 0 112 50\" role=\"img\" "
        "aria-label=\"" +
        label + "\"><title>" + label + "</title>";
    static const char* names[5] = {"0", "1", "2", "3", "?"};
    for (int i = 0; i < 5; ++i) {
        const int height = d.counts[i] * 28 / most;
        const int x = 2 + i * 22;
        svg += "<rect class=\"" + std::string(i == 4 ? "odd" : "bar") + "\" x=\"" +
               std::to_string(x) + "\" y=\"" + std::to_string(38 - height) +
               "\" width=\"18\" height=\"" + std::to_string(height) + "\"/>";
        svg += "<text x=\"" + std::to_string(x + 9) + "\" y=\"" + std::to_string(36 - height) +
               "\">" + (d.counts[i] ? std::to_string(d.counts[i]) : "") + "</text>";
        svg += "<text x=\"" + std::to_string(x + 9) + "\" y=\"48\">" + names[i] + "</text>";
    }
    return svg + "</svg>";
}

std::string excerpt(std::string_view text) {
    constexpr std::size_t longest = 160;
    if (text.empty()) return "<i>(empty)</i>";
    if (text.size() <= longest) return htmlText(text);
    return htmlText(text.substr(0, longest)) + "…";
}

std::string studentName(const std::string& student) {
    return student.empty() ? "(no name)" : escaped(student);
}

void writeProblems(std::FILE* out, const Inbox& inbox) {
    put(out, "<section id=\"files\">\n<h2>Files not read</h2>\n");
    if (inbox.notRead.empty()) {
        put(out, "<p class=\"ok\">Every file was read.</p>\n");
    } else {
        put(out, "<ul class=\"problems\" id=\"not-read\">\n");
        for (const FileLine& line : inbox.notRead)
            put(out, "<li><span class=\"name\">" + escaped(line.name) +
                         "</span>: " + escaped(line.reason) + "</li>\n");
        put(out, "</ul>\n");
    }
    if (!inbox.damaged.empty()) {
        put(out, "<h3>Read with damage</h3>\n<ul class=\"problems\" id=\"damaged\">\n");
        for (const FileLine& line : inbox.damaged)
            put(out, "<li><span class=\"name\">" + escaped(line.name) +
                         "</span>: " + escaped(line.reason) + "</li>\n");
        put(out, "</ul>\n");
    }
    if (!inbox.remarks.empty() || inbox.duplicates > 0) {
        put(out, "<h3>Notes on the files</h3>\n<ul class=\"problems\" id=\"remarks\">\n");
        for (const FileLine& line : inbox.remarks)
            put(out, "<li><span class=\"name\">" + escaped(line.name) +
                         "</span>: " + escaped(line.reason) + "</li>\n");
        if (inbox.duplicates > 0)
            put(out, "<li>" + count(static_cast<std::size_t>(inbox.duplicates), "record") +
                         (inbox.duplicates == 1 ? " stands" : " stand") +
                         " in more than one file of their student (the master file, or a file sent "
                         "twice) and " +
                         (inbox.duplicates == 1 ? "is" : "are") + " shown once.</li>\n");
        put(out, "</ul>\n");
    }
    put(out, "</section>\n");
}

void writeOverview(std::FILE* out, const std::vector<StudentWork>& work) {
    put(out, "<section id=\"overview\">\n<h2>Overview</h2>\n");
    if (work.empty()) {
        put(out, "<p>No records were found.</p>\n</section>\n");
        return;
    }
    put(out,
        "<table>\n<thead><tr><th>Student</th><th>Assignment</th><th>Questions answered</th>"
        "<th>Responses</th><th>Notes</th><th>Mean confidence</th><th>Mean self-critique</th>"
        "<th>Ratings 0 or 1</th><th>First</th><th>Last</th><th>Missing "
        "questions</th></tr></thead>\n<tbody>\n");
    for (std::size_t w = 0; w < work.size(); ++w) {
        const StudentWork& s = work[w];
        std::string missing;
        for (int question : s.missing)
            missing += (missing.empty() ? "" : ", ") + std::to_string(question);
        if (s.total < 0)
            missing = "–";
        else if (missing.empty())
            missing = "none";
        std::string flags;
        if (s.oddRatings)
            flags += " <span class=\"flag\">" +
                     count(static_cast<std::size_t>(s.oddRatings), "rating") +
                     " missing or not 0 to 3</span>";
        if (s.incomplete) flags += " <span class=\"flag\">incomplete record</span>";
        if (s.inDoubt)
            flags += " <span class=\"flag\">" +
                     count(static_cast<std::size_t>(s.inDoubt), "record") +
                     " by damaged lines</span>";
        put(out, "<tr class=\"work\" id=\"overview-" + anchorOf(w) +
                     "\"><td class=\"student\"><a href=\"#" + anchorOf(w) + "\">" +
                     studentName(s.student) + "</a></td><td class=\"assignment\">" +
                     htmlText(s.assignment) + "</td><td class=\"num answered\">" +
                     std::to_string(s.answered) +
                     (s.total >= 0 ? " of " + std::to_string(s.total) : "") +
                     "</td><td class=\"num responses\">" + std::to_string(s.responses) +
                     "</td><td class=\"num notes\">" + std::to_string(s.notes) +
                     "</td><td class=\"num confidence\">" +
                     (s.confidenceCount ? number(s.confidenceSum / s.confidenceCount) : "–") +
                     "</td><td class=\"num self-critique\">" +
                     (s.selfCritiqueCount ? number(s.selfCritiqueSum / s.selfCritiqueCount) : "–") +
                     "</td><td class=\"num low\">" + std::to_string(s.lowRatings) + flags +
                     "</td><td class=\"when first\">" + htmlText(s.first) +
                     "</td><td class=\"when last\">" + htmlText(s.last) +
                     "</td><td class=\"missing\">" + missing + "</td></tr>\n");
    }
    put(out, "</tbody>\n</table>\n</section>\n");
}

struct Answer {
    std::size_t work, entry;
};

void writeQuestions(std::FILE* out, const std::vector<StudentWork>& work,
                    const CourseIndex& course) {
    put(out, "<section id=\"questions\">\n<h2>By question</h2>\n");
    // assignment -> question -> the responses to it
    std::map<std::string, std::map<int, std::vector<Answer>>> byQuestion;
    std::map<std::string, std::string> titles;
    std::map<std::string, std::set<std::string>> studentsOf;
    for (std::size_t w = 0; w < work.size(); ++w) {
        auto& questions = byQuestion[work[w].assignment];
        titles[work[w].assignment] = work[w].title;
        studentsOf[work[w].assignment].insert(work[w].student);
        if (const BankAssignment* a = course.assignment(work[w].assignment))
            for (int question : a->questions) questions[question];
        for (std::size_t e = 0; e < work[w].entries.size(); ++e) {
            const Record& record = *work[w].entries[e].record;
            if (record.kind == RecordKind::response && record.question > 0)
                questions[record.question].push_back({w, e});
        }
    }
    for (const auto& [assignment, questions] : byQuestion) {
        const std::size_t students = studentsOf[assignment].size();
        put(out, "<h3>" +
                     htmlText(titles[assignment].empty() ? "Assignment " + assignment
                                                         : titles[assignment]) +
                     "</h3>\n<table "
                     "class=\"by-question\">\n<thead><tr><th>Question</th><th>Answered by</th>"
                     "<th>Confidence</th><th>Self-critique</th><th>Lowest-rated "
                     "responses</th></tr></thead>\n<tbody>\n");
        std::string unanswered;
        for (const auto& [question, answers] : questions) {
            if (answers.empty()) {
                unanswered += (unanswered.empty() ? "" : ", ") + std::to_string(question);
                continue;
            }
            std::set<std::string> answeredBy;
            Distribution confidence, selfCritique;
            std::vector<std::pair<int, Answer>> low;
            for (const Answer& a : answers) {
                const Record& record = *work[a.work].entries[a.entry].record;
                answeredBy.insert(work[a.work].student);
                if (record.ratingKind == RatingKind::confidence) confidence.add(record);
                if (record.ratingKind == RatingKind::selfCritique) selfCritique.add(record);
                const auto value = ratingValue(record.rating);
                if (record.ratingKind != RatingKind::none && value) low.push_back({*value, a});
            }
            std::stable_sort(low.begin(), low.end(),
                             [](const auto& x, const auto& y) { return x.first < y.first; });
            std::string lowest;
            for (std::size_t i = 0; i < low.size() && i < 3; ++i) {
                const auto& [value, a] = low[i];
                const Record& record = *work[a.work].entries[a.entry].record;
                lowest += "<div class=\"excerpt\"><a href=\"#" + anchorOf(a.work, a.entry) + "\">" +
                          studentName(work[a.work].student) + "</a>, " +
                          ratingKindName(record.ratingKind) + " " + std::to_string(value) + ": " +
                          excerpt(record.text) + "</div>";
            }
            put(out, "<tr class=\"question\"><td class=\"num\">" + std::to_string(question) +
                         "</td><td class=\"num answered-by\">" + std::to_string(answeredBy.size()) +
                         " of " + std::to_string(students) + "</td><td>" +
                         barChart(confidence, "confidence") + "</td><td>" +
                         barChart(selfCritique, "self-critique") + "</td><td>" +
                         (lowest.empty() ? "–" : lowest) + "</td></tr>\n");
        }
        put(out, "</tbody>\n</table>\n");
        if (!unanswered.empty())
            put(out, "<p class=\"unanswered\">No responses to question" +
                         std::string(unanswered.find(',') == std::string::npos ? " " : "s ") +
                         unanswered + ".</p>\n");
    }
    put(out, "</section>\n");
}

void writeStudent(std::FILE* out, const StudentWork& s, std::size_t w) {
    put(out, "<section class=\"student\" id=\"" + anchorOf(w) + "\">\n<h2>" +
                 studentName(s.student) + " — " +
                 htmlText(s.title.empty() ? "Assignment " + s.assignment : s.title) + "</h2>\n");
    put(out, "<p class=\"figures\">" + count(static_cast<std::size_t>(s.responses), "response") +
                 ", " + count(static_cast<std::size_t>(s.notes), "note") + ", from " +
                 htmlText(s.first) + " to " + htmlText(s.last) + ".</p>\n");
    std::string_view openPiece;
    bool pieceOpen = false;
    for (std::size_t e = 0; e < s.entries.size(); ++e) {
        const WorkEntry& entry = s.entries[e];
        const Record& record = *entry.record;
        if (!pieceOpen || record.quoted() != openPiece) {
            if (pieceOpen) put(out, "</div>\n");
            put(out, "<div class=\"piece\">\n<h3>" + questionName(record) + " · " +
                         pieceName(record) + "</h3>\n");
            if (!record.quoted().empty())
                put(out, "<div class=\"bank\">" + htmlText(expandLineBreaks(record.quoted())) +
                             "</div>\n");
            openPiece = record.quoted();
            pieceOpen = true;
        }
        const bool note = record.kind == RecordKind::note;
        std::string meta = note ? "Note · " : "Response · ";
        meta += htmlText(reportDate(entry.date) + " " + record.time) + ratingHtml(record) +
                " · <span class=\"file\">" + escaped(entry.file->name) + "</span>";
        if (record.incomplete)
            meta += "<span class=\"flag\">incomplete: the file ends inside this record</span>";
        if (!record.damage.empty())
            meta += "<span class=\"flag\">" + escaped(record.damage) + "</span>";
        put(out, std::string(note ? "<aside class=\"note\"" : "<article class=\"response\"") +
                     " id=\"" + anchorOf(w, e) + "\">\n<p class=\"meta\">" + meta +
                     "</p>\n<div class=\"text\">");
        put(out, htmlText(record.text));
        put(out, std::string("</div>\n") + (note ? "</aside>\n" : "</article>\n"));
    }
    if (pieceOpen) put(out, "</div>\n");
    put(out, "</section>\n");
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", std::localtime(&now));
    return buffer;
}

}  // namespace

std::string htmlText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&#39;"; continue;
        case '\n': out += '\n'; continue;
        case '\t': out += '\t'; continue;
        case '\r':
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += '\n';
            continue;
        default: break;
        }
        // Control characters show as their pictures; the rest by their Windows-1252 code point.
        const char32_t point = c < 32 ? 0x2400 + c : c == 127 ? 0x2421 : cp1252::toCodePoint(c);
        cp1252::appendUtf8(out, point);
    }
    return out;
}

std::string csvField(std::string_view utf8) {
    std::string field = "\"";
    for (char c : utf8) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

void writeReport(std::FILE* out, const Inbox& inbox, const std::vector<StudentWork>& work,
                 const CourseIndex& course, const std::string& sources) {
    std::set<std::string> students;
    std::size_t responses = 0, notes = 0;
    for (const StudentWork& s : work) {
        students.insert(s.student);
        responses += static_cast<std::size_t>(s.responses);
        notes += static_cast<std::size_t>(s.notes);
    }
    put(out, pageStart);
    // countSpan("count-notes", 1, "note") -> <span id="count-notes">1</span> note
    auto countSpan = [](const char* id, std::size_t n, const std::string& what) {
        return "<span id=\"" + std::string(id) + "\">" + std::to_string(n) + "</span>" +
               count(n, what).substr(std::to_string(n).size());
    };
    put(out, "<h1>Student records</h1>\n<p class=\"lead\">Read from " + escaped(sources) + " on " +
                 today() + ": " + countSpan("count-files", inbox.files.size(), "file") + " read, " +
                 countSpan("count-students", students.size(), "student") + ", " +
                 countSpan("count-responses", responses, "response") + ", " +
                 countSpan("count-notes", notes, "note") + ".</p>\n");
    put(out,
        "<nav><a href=\"#files\">Files</a> · <a href=\"#overview\">Overview</a> · <a "
        "href=\"#questions\">By question</a>");
    for (std::size_t w = 0; w < work.size(); ++w)
        put(out, " · <a href=\"#" + anchorOf(w) + "\">" + studentName(work[w].student) + " " +
                     htmlText(work[w].assignment) + "</a>");
    put(out, "</nav>\n");
    writeProblems(out, inbox);
    writeOverview(out, work);
    writeQuestions(out, work, course);
    for (std::size_t w = 0; w < work.size(); ++w) writeStudent(out, work[w], w);
    put(out, "</body>\n</html>\n");
}

void writeCsv(std::FILE* out, const std::vector<StudentWork>& work) {
    put(out,
        "student,file,date,time,assignment,question,piece,kind,rating kind,rating,text,status\r\n");
    for (const StudentWork& s : work) {
        for (const WorkEntry& entry : s.entries) {
            const Record& r = *entry.record;
            const std::string status = r.incomplete        ? "incomplete"
                                       : r.damaged         ? "damaged"
                                       : !r.damage.empty() ? "next to damage"
                                                           : "complete";
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
                                          status};
            std::string row;
            for (const std::string& field : fields)
                row += (row.empty() ? "" : ",") + csvField(field);
            put(out, row + "\r\n");
        }
    }
}

}  // namespace qatutor::inbox
