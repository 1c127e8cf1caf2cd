#include "inbox/questions_page.h"

#include <algorithm>

#include "inbox/class_grid.h"
#include "inbox/html.h"

namespace qatutor::inbox {
namespace {

// The bar chart of a question's ratings: five bars (0, 1, 2, 3 and "?" for anything else), the
// count above each bar and its name below.
constexpr int chartWidth = 112, chartHeight = 50;
constexpr int barLeft = 2, barStep = 22, barWidth = 18;
constexpr int barBase = 38;       // the foot of the bars
constexpr int tallestBar = 28;    // the height of the bar of the largest count
constexpr int countGap = 2;       // between a bar's top and its count
constexpr int nameBaseline = 48;  // the bars' names
constexpr const char* barNames[5] = {"0", "1", "2", "3", "?"};

std::string barChart(const Distribution& d, const std::string& what) {
    const int most = d.most();
    if (most == 0) return "–";
    const std::string label = what + " ratings: 0: " + std::to_string(d.counts[0]) +
                              ", 1: " + std::to_string(d.counts[1]) +
                              ", 2: " + std::to_string(d.counts[2]) +
                              ", 3: " + std::to_string(d.counts[3]) +
                              ", missing or not 0 to 3: " + std::to_string(d.counts[4]);
    const std::string width = std::to_string(chartWidth), height = std::to_string(chartHeight);
    std::string svg = "<svg class=\"bars\" width=\"" + width + "\" height=\"" + height +
                      "\" viewBox=\"0 0 " + width + " " + height + "\" role=\"img\" aria-label=\"" +
                      label + "\"><title>" + label + "</title>";
    for (int i = 0; i < 5; ++i) {
        const int bar = d.counts[i] * tallestBar / most;
        const int x = barLeft + i * barStep, middle = x + barWidth / 2;
        svg += "<rect class=\"" + std::string(i == 4 ? "odd" : "bar") + "\" x=\"" +
               std::to_string(x) + "\" y=\"" + std::to_string(barBase - bar) + "\" width=\"" +
               std::to_string(barWidth) + "\" height=\"" + std::to_string(bar) + "\"/>";
        svg += "<text x=\"" + std::to_string(middle) + "\" y=\"" +
               std::to_string(barBase - bar - countGap) + "\">" +
               (d.counts[i] ? std::to_string(d.counts[i]) : "") + "</text>";
        svg += "<text x=\"" + std::to_string(middle) + "\" y=\"" + std::to_string(nameBaseline) +
               "\">" + barNames[i] + "</text>";
    }
    return svg + "</svg>";
}

std::string questionRow(const std::string& assignment, int question, const QuestionFigures& q,
                        std::size_t students) {
    std::string lowest;
    for (const LowResponse& response : q.lowest) lowest += response.html;
    return "<tr class=\"question\" id=\"" + questionAnchor(assignment, question) +
           "\"><td class=\"num\">" + std::to_string(question) +
           "</td><td class=\"num answered-by\">" + std::to_string(q.answeredBy) + " of " +
           std::to_string(students) + "</td><td>" + barChart(q.confidence, "confidence") +
           "</td><td>" + barChart(q.selfCritique, "self-critique") + "</td><td>" +
           (lowest.empty() ? "–" : lowest) + "</td></tr>\n";
}

void writeAssignment(std::FILE* out, const std::string& assignment, const AssignmentFigures& a) {
    put(out, "<h3>" + htmlText(a.title.empty() ? "Assignment " + assignment : a.title) +
                 "</h3>\n<div class=\"scroll\">\n<table class=\"by-question\">\n<thead><tr>"
                 "<th>Question</th><th>Answered by</th><th>Confidence</th><th>Self-critique</th>"
                 "<th>Lowest-rated responses</th></tr></thead>\n<tbody>\n");
    std::string unanswered;
    std::size_t unansweredCount = 0;
    for (const auto& [question, figures] : a.questions) {
        if (figures.answeredBy == 0) {
            unanswered += (unanswered.empty() ? "" : ", ") + std::to_string(question);
            ++unansweredCount;
            continue;
        }
        put(out, questionRow(assignment, question, figures, a.students));
    }
    put(out, "</tbody>\n</table>\n</div>\n");
    if (unansweredCount)
        put(out, "<p class=\"unanswered\">No responses to question" +
                     std::string(unansweredCount == 1 ? " " : "s ") + unanswered + ".</p>\n");
}

void writeRankedQuestions(std::FILE* out, const std::vector<RankedQuestion>& ranked) {
    put(out, "<section id=\"ranked\">\n<h2>Questions ranked</h2>\n<p class=\"quiet\">" +
                 std::string(rankingNote) +
                 "</p>\n<div class=\"scroll\">\n<table class=\"ranked-questions\">\n<thead><tr>"
                 "<th>Rank</th><th>Question</th><th>Ratings 0 or 1</th><th>Ratings 0 to 3</th>"
                 "<th>Answered by</th></tr></thead>\n<tbody>\n");
    for (std::size_t i = 0; i < ranked.size(); ++i)
        put(out, "<tr><td class=\"num\">" + std::to_string(i + 1) + "</td><td>" +
                     questionLink(ranked[i], "") + "</td><td class=\"num\">" +
                     shareText(ranked[i]) + "</td><td class=\"num\">" +
                     std::to_string(ranked[i].ratings) + "</td><td class=\"num\">" +
                     std::to_string(ranked[i].answeredBy) + "</td></tr>\n");
    put(out, "</tbody>\n</table>\n</div>\n</section>\n");
}

}  // namespace

std::vector<RankedQuestion> rankQuestions(
    const std::map<std::string, AssignmentFigures>& assignments) {
    std::vector<RankedQuestion> ranked;
    for (const auto& [assignment, figures] : assignments)
        for (const auto& [question, q] : figures.questions) {
            RankedQuestion r{assignment, question, 0, 0, q.answeredBy};
            for (const Distribution* d : {&q.confidence, &q.selfCritique}) {
                r.low += d->counts[0] + d->counts[1];
                r.ratings += d->counts[0] + d->counts[1] + d->counts[2] + d->counts[3];
            }
            ranked.push_back(r);
        }
    // Stable: of equal shares and counts, the order of assignments and questions stays.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const RankedQuestion& a, const RankedQuestion& b) {
                         if ((a.ratings > 0) != (b.ratings > 0)) return a.ratings > 0;
                         return rankedBefore(a.low, a.ratings, b.low, b.ratings);
                     });
    return ranked;
}

std::string questionAnchor(const std::string& assignment, int question) {
    return "q" + htmlEscaped(assignment) + "-" + std::to_string(question);
}

std::string questionLink(const RankedQuestion& q, const std::string& page) {
    const std::string name =
        "Assignment " + htmlText(q.assignment) + ", question " + std::to_string(q.question);
    if (q.answeredBy == 0) return name;
    return "<a href=\"" + page + "#" + questionAnchor(q.assignment, q.question) + "\">" + name +
           "</a>";
}

std::string shareText(const RankedQuestion& q) {
    return q.ratings ? percentText(q.low, q.ratings) : "–";
}

void writeQuestionsPage(std::FILE* out, const ReportSummary& summary) {
    put(out, pageStart("Student records: by question"));
    put(out, detailNav() + "<h1>By question</h1>\n");
    writeRankedQuestions(out, rankQuestions(summary.assignments));
    put(out, "<section id=\"questions\">\n<h2>Each assignment's questions</h2>\n");
    for (const auto& [assignment, figures] : summary.assignments)
        writeAssignment(out, assignment, figures);
    put(out, "</section>\n");
    put(out, pageEnd);
}

}  // namespace qatutor::inbox
