#include "inbox/report.h"

#include <algorithm>
#include <ctime>

#include "base/cp1252.h"
#include "inbox/file_names.h"
#include "inbox/html.h"
#include "inbox/output_names.h"
#include "inbox/platform.h"
#include "inbox/questions_page.h"
#include "inbox/report_names.h"
#include "inbox/student_page.h"

namespace qatutor::inbox {
namespace {

// Responses quoted per question under "Lowest-rated responses", and the length of each quote.
constexpr std::size_t lowestShown = 3;
constexpr std::size_t excerptLength = 160;

// Questions on report.html under "Hard questions"; questions.html ranks every one.
constexpr std::size_t hardQuestionsShown = 10;

std::string mean(double sum, int n) { return n ? meanText(static_cast<long long>(sum), n) : "–"; }

std::string excerpt(std::string_view text) {
    if (text.empty()) return "<i>(empty)</i>";
    if (text.size() <= excerptLength) return htmlText(text);
    return htmlText(text.substr(0, excerptLength)) + "…";
}

// Keeps the lowest-rated responses: lowest first, and of equal ratings the one added first.
void keepIfLow(std::vector<LowResponse>& lowest, LowResponse response) {
    auto at =
        std::upper_bound(lowest.begin(), lowest.end(), response.rating,
                         [](int rating, const LowResponse& kept) { return rating < kept.rating; });
    if (at - lowest.begin() >= static_cast<std::ptrdiff_t>(lowestShown)) return;
    lowest.insert(at, std::move(response));
    if (lowest.size() > lowestShown) lowest.pop_back();
}

void addQuestions(AssignmentFigures& figures, const StudentWork& s, const std::string& page,
                  std::size_t w) {
    std::map<int, bool> answered;
    for (std::size_t e = 0; e < s.entries.size(); ++e) {
        const Record& record = *s.entries[e].record;
        if (record.kind != RecordKind::response || record.question <= 0) continue;
        QuestionFigures& question = figures.questions[record.question];
        if (!answered[record.question]) ++question.answeredBy, answered[record.question] = true;
        if (record.ratingKind == RatingKind::confidence) question.confidence.add(record);
        if (record.ratingKind == RatingKind::selfCritique) question.selfCritique.add(record);
        const std::optional<int> value = ratingValue(record.rating);
        if (record.ratingKind == RatingKind::none || !value) continue;
        keepIfLow(
            question.lowest,
            {*value, "<div class=\"excerpt\"><a href=\"" + page + "#" + anchorOf(w, e) + "\">" +
                         studentName(s.student) + "</a>, " + ratingKindName(record.ratingKind) +
                         " " + std::to_string(*value) + ": " + excerpt(record.text) + "</div>"});
    }
}

void writeFileLines(std::FILE* out, const char* id, const std::vector<FileLine>& lines) {
    put(out, std::string("<ul class=\"problems\" id=\"") + id + "\">\n");
    for (const FileLine& line : lines)
        put(out, "<li><span class=\"name\">" + htmlEscaped(line.name) +
                     "</span>: " + htmlEscaped(line.reason) + "</li>\n");
}

// Files that are plainly no record files, one line for each reason: "Windows' picture cache,
// not a record file: Thumbs.db, a/Thumbs.db and 3 more".
void writeNoRecords(std::FILE* out, const std::vector<FileLine>& lines) {
    constexpr std::size_t namesShown = 5;
    std::map<std::string, std::vector<std::string>> byReason;
    for (const FileLine& line : lines) byReason[line.reason].push_back(line.name);
    put(out, "<h3>Not record files</h3>\n<ul class=\"quiet\" id=\"no-records\">\n");
    for (const auto& [reason, names] : byReason) {
        std::string shown;
        for (std::size_t i = 0; i < names.size() && i < namesShown; ++i)
            shown += (i ? ", " : "") + std::string("<span class=\"name\">") +
                     htmlEscaped(names[i]) + "</span>";
        if (names.size() > namesShown)
            shown += " and " + std::to_string(names.size() - namesShown) + " more";
        put(out, "<li>" + htmlEscaped(reason) + ": " + shown + "</li>\n");
    }
    put(out, "</ul>\n");
}

void writeProblems(std::FILE* out, const ReportSummary& summary) {
    put(out, "<section id=\"files\">\n<h2>Files not read</h2>\n");
    if (summary.notRead.empty()) {
        put(out, std::string("<p class=\"ok\">Every ") +
                     (summary.noRecords.empty() ? "" : "record ") + "file was read.</p>\n");
    } else {
        writeFileLines(out, "not-read", summary.notRead);
        put(out, "</ul>\n");
    }
    if (!summary.noRecords.empty()) writeNoRecords(out, summary.noRecords);
    if (!summary.damaged.empty()) {
        put(out, "<h3>Read with damage</h3>\n");
        writeFileLines(out, "damaged", summary.damaged);
        put(out, "</ul>\n");
    }
    if (!summary.remarks.empty() || summary.duplicates > 0) {
        put(out, "<h3>Notes on the files</h3>\n");
        writeFileLines(out, "remarks", summary.remarks);
        const std::size_t n = summary.duplicates;
        if (n > 0)
            put(out, "<li>" +
                         (n == 1 ? std::string("1 copy of a record that stands in another file of "
                                               "its student")
                                 : std::to_string(n) + " copies of records that stand in another "
                                                       "file of their student") +
                         " too (the master file, or a file sent twice) " + (n == 1 ? "is" : "are") +
                         " left out: each record is shown once.</li>\n");
        put(out, "</ul>\n");
    }
    put(out, "</section>\n");
}

std::string overviewRow(const OverviewRow& row) {
    const StudentWork& s = row.work;
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
        flags += " <span class=\"flag\">" + count(static_cast<std::size_t>(s.inDoubt), "record") +
                 " by damaged lines</span>";
    std::string doubts;
    for (const std::string& doubt : s.doubts)
        doubts += "<div class=\"flag doubt\">" + htmlEscaped(doubt) + "</div>";
    const std::string identity =
        s.identity.empty() ? "" : "<div class=\"identity\">" + htmlEscaped(s.identity) + "</div>";
    return "<tr class=\"work\"><td class=\"student\"><a href=\"" + row.link + "\">" +
           studentName(s.student) + "</a>" + identity + doubts + "</td><td class=\"assignment\">" +
           htmlText(s.assignment) + "</td><td class=\"num answered\">" +
           std::to_string(s.answered) + (s.total >= 0 ? " of " + std::to_string(s.total) : "") +
           "</td><td class=\"num responses\">" + std::to_string(s.responses) +
           "</td><td class=\"num notes\">" + std::to_string(s.notes) +
           "</td><td class=\"num confidence\">" + mean(s.confidenceSum, s.confidenceCount) +
           "</td><td class=\"num self-critique\">" + mean(s.selfCritiqueSum, s.selfCritiqueCount) +
           "</td><td class=\"num low\">" + std::to_string(s.lowRatings) + flags +
           "</td><td class=\"when first\">" + whenHtml(cp1252::toUtf8(s.first)) +
           "</td><td class=\"when last\">" + whenHtml(cp1252::toUtf8(s.last)) +
           "</td><td class=\"missing\">" + missing + "</td></tr>\n";
}

void writeOverview(std::FILE* out, const ReportSummary& summary) {
    if (summary.overview.empty()) {
        put(out, "<p>No records were found.</p>\n");
        return;
    }
    put(out,
        // Soft hyphens let the longest headings break in a narrow window.
        "<section id=\"overview\">\n<div class=\"scroll\">\n<table>\n<thead><tr><th>Student</th>"
        "<th>Assign&shy;ment</th><th>Questions answered</th><th>Respon&shy;ses</th><th>Notes</th>"
        "<th>Mean confidence</th><th>Mean self-critique</th><th>Ratings 0 or 1</th><th>First</th>"
        "<th>Last</th><th>Missing questions</th></tr></thead>\n<tbody>\n");
    for (const OverviewRow& row : summary.overview) put(out, overviewRow(row));
    put(out, "</tbody>\n</table>\n</div>\n</section>\n");
}

// The hardest questions on report.html, each linked to its row on questions.html.
void writeHardQuestions(std::FILE* out, const ReportSummary& summary,
                        const std::string& runFolder) {
    const std::string page = runFolder + "/" + questionsName;
    put(out, "<section id=\"hard\">\n<h2>Hard questions</h2>\n<p class=\"quiet\">" +
                 std::string(rankingNote) + " Every question is ranked on <a href=\"" + page +
                 "\">the questions' page</a>.</p>\n");
    std::vector<std::string> items;
    for (const RankedQuestion& q : rankQuestions(summary.assignments)) {
        if (items.size() == hardQuestionsShown || q.low == 0) break;
        items.push_back("<li>" + questionLink(q, page) + ": " + shareText(q) + " of " +
                        count(static_cast<std::size_t>(q.ratings), "rating") + "</li>\n");
    }
    if (items.empty()) {
        put(out, "<p>No question was rated 0 or 1.</p>\n</section>\n");
        return;
    }
    put(out, "<ol class=\"ranked\" id=\"hard-questions\">\n");
    for (const std::string& item : items) put(out, item);
    put(out, "</ol>\n</section>\n");
}

std::string today() {
    const std::time_t now = currentTime();
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", std::localtime(&now));
    return buffer;
}

// countSpan("count-notes", 1, "note") -> <span id="count-notes">1</span> note
std::string countSpan(const char* id, std::size_t n, std::string_view what) {
    return "<span id=\"" + std::string(id) + "\">" + std::to_string(n) + "</span>" +
           count(n, what).substr(std::to_string(n).size());
}

}  // namespace

// The nav of a page in the run's folder: back to the report, and to the other pages.
std::string detailNav() {
    return std::string("<nav><a href=\"../") + reportName + "\">Student records</a> · <a href=\"" +
           overviewName + "\">Overview</a> · <a href=\"" + questionsName +
           "\">By question</a> · <a href=\"" + csvName + "\">records.csv</a></nav>\n";
}

void Distribution::add(const Record& record) { ++counts[ratingValue(record.rating).value_or(4)]; }

int Distribution::most() const { return *std::max_element(std::begin(counts), std::end(counts)); }

void ReportSummary::add(const Inbox& inbox, const std::vector<StudentWork>& work,
                        const CourseIndex& course, const std::string& page) {
    notRead.insert(notRead.end(), inbox.notRead.begin(), inbox.notRead.end());
    damaged.insert(damaged.end(), inbox.damaged.begin(), inbox.damaged.end());
    remarks.insert(remarks.end(), inbox.remarks.begin(), inbox.remarks.end());
    duplicates += inbox.duplicates;
    totals.files += inbox.files.size();
    for (std::size_t w = 0; w < work.size(); ++w) {
        const StudentWork& s = work[w];
        totals.responses += static_cast<std::size_t>(s.responses);
        totals.notes += static_cast<std::size_t>(s.notes);

        AssignmentFigures& figures = assignments[s.assignment];
        if (figures.title.empty()) figures.title = s.title;
        ++figures.students;
        if (const BankAssignment* bank = course.assignment(s.assignment))
            for (int question : bank->questions) figures.questions[question];
        addQuestions(figures, s, page, w);

        OverviewRow row{s, page + "#" + anchorOf(w)};
        row.work.entries.clear();
        row.work.entries.shrink_to_fit();
        overview.push_back(std::move(row));
    }
}

void ReportSummary::finish(const ClassList* list, const AliasGroups& aliases) {
    const std::vector<HandedIn> handed = handedInOf(overview);
    classView = viewClass(handed, list, aliases);
    grid = gridOf(overview, list, aliases);
    totals.students = 0;
    for (const GridRow& row : grid.rows)
        if (std::any_of(row.cells.begin(), row.cells.end(),
                        [](const GridCell& c) { return c.any; }))
            ++totals.students;
}

void writeReport(std::FILE* out, const ReportSummary& summary, const std::string& sources,
                 const std::string& runFolder) {
    const Totals& t = summary.totals;
    const std::string folder = htmlEscaped(runFolder) + "/";
    put(out, pageStart("Student records"));
    put(out, "<h1>Student records</h1>\n<p class=\"lead\">Read from " + htmlEscaped(sources) +
                 " on " + today() + ": " + countSpan("count-files", t.files, "file") + " read, " +
                 countSpan("count-students", t.students, "student") + ", " +
                 countSpan("count-responses", t.responses, "response") + ", " +
                 countSpan("count-notes", t.notes, "note") + ".</p>\n");
    put(out, "<nav><a href=\"#files\">Files</a> · " +
                 std::string(summary.classView.listGiven || !summary.classView.nearMatches.empty()
                                 ? "<a href=\"#class\">The class</a> · "
                                 : "") +
                 "<a href=\"#struggling\">Who struggles</a> · <a href=\"#hard\">Hard "
                 "questions</a> · <a href=\"#grid\">Students by assignment</a> · <a href=\"" +
                 folder + overviewName + "\">Overview</a> · <a href=\"" + folder + questionsName +
                 "\">By question</a> · <a href=\"" + folder + csvName +
                 "\">Every record as a table (records.csv)</a>. Each student's responses are on "
                 "their own page: follow the student's name.</nav>\n");
    writeProblems(out, summary);
    writeClassSection(out, summary.classView, folder + overviewName + "#near");
    writeStruggling(out, summary.grid, htmlEscaped(runFolder));
    writeHardQuestions(out, summary, htmlEscaped(runFolder));
    writeGrid(out, summary.grid, htmlEscaped(runFolder));
    put(out, pageEnd);
}

void writeOverviewPage(std::FILE* out, const ReportSummary& summary) {
    put(out, pageStart("Student records: overview"));
    put(out, detailNav() +
                 "<h1>Overview</h1>\n<p class=\"lead\">One row per student and assignment; the "
                 "student's name leads to their page.</p>\n");
    writeOverview(out, summary);
    if (!summary.classView.nearMatches.empty())
        writeNearMatches(out, summary.classView, summary.classView.nearMatches.size(), {});
    put(out, pageEnd);
}

}  // namespace qatutor::inbox
