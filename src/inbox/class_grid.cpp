#include "inbox/class_grid.h"

#include <algorithm>
#include <map>
#include <set>

#include "inbox/class_view.h"
#include "inbox/html.h"

namespace qatutor::inbox {
namespace {

// Students with fewer ratings than this are left out of "Most ratings of 0 or 1": two or three
// ratings say little about how a student is doing.
constexpr int enoughRatings = 10;
// Names in each of the report's two lists of who struggles.
constexpr std::size_t namesListed = 15;
// Under the name of a row whose work the overview doubts is one student's (two runs of one
// assignment that share no record).
constexpr const char* doubtNote = "the overview doubts that this is one student";

// One cell of the grid from the work of its row on its assignment (more than one when the row
// holds names the class list or an alias group joins): a question counts as answered when any
// of them answered it.
GridCell cellOf(const std::vector<const StudentWork*>& work) {
    GridCell cell;
    if (work.empty()) return cell;
    cell.any = true;
    cell.total = work.front()->total;
    std::set<int> unanswered(work.front()->missing.begin(), work.front()->missing.end());
    for (const StudentWork* w : work) {
        cell.flagged = cell.flagged || w->incomplete > 0 || w->inDoubt > 0;
        cell.answered = std::max(cell.answered, w->answered);
        std::set<int> both;
        for (int question : w->missing)
            if (unanswered.count(question)) both.insert(question);
        unanswered = std::move(both);
    }
    if (cell.total >= 0) cell.answered = cell.total - static_cast<int>(unanswered.size());
    return cell;
}

void addFigures(GridRow& row, const StudentWork& work) {
    row.responses += work.responses;
    row.confidenceSum += static_cast<long long>(work.confidenceSum);
    row.confidenceCount += work.confidenceCount;
    row.lowRatings += work.lowRatings;
    row.ratings += work.confidenceCount + work.selfCritiqueCount;
}

// The first link goes to the person's first page, any other to the pages of their work under
// another name or platform identity, numbered: "Ann Lee (more pages: 2, 3)".
std::string nameHtml(const GridRow& row, const std::string& runFolder) {
    if (row.links.empty()) return htmlEscaped(row.name);
    std::string html =
        "<a href=\"" + runFolder + "/" + row.links[0] + "\">" + studentName(row.name) + "</a>";
    for (std::size_t i = 1; i < row.links.size(); ++i)
        html += std::string(i == 1 ? " <span class=\"also\">(more pages: " : ", ") + "<a href=\"" +
                runFolder + "/" + row.links[i] + "\">" + std::to_string(i + 1) + "</a>" +
                (i + 1 == row.links.size() ? ")</span>" : "");
    return html;
}

std::string cellHtml(const GridCell& cell) {
    switch (cell.state()) {
    case GridCell::handedIn: return "<td>✓</td>";
    case GridCell::nothing: return "<td class=\"n\">–</td>";
    case GridCell::partly: break;
    }
    return "<td class=\"p\">" + std::to_string(cell.answered) + "/" +
           (cell.total >= 0 ? std::to_string(cell.total) : "?") + (cell.flagged ? "*" : "") +
           "</td>";
}

std::string rowHtml(const GridRow& row, const std::string& runFolder) {
    std::string html = "<tr class=\"person\"><td class=\"student\">" + nameHtml(row, runFolder);
    if (!row.identity.empty())
        html += "<div class=\"identity\">" + htmlEscaped(row.identity) + "</div>";
    if (!row.note.empty()) html += "<div class=\"flag doubt\">" + htmlEscaped(row.note) + "</div>";
    html += "</td>";
    for (const GridCell& cell : row.cells) html += cellHtml(cell);
    return html + "<td class=\"num handed-in\">" + std::to_string(row.handedIn) +
           "</td><td class=\"num responses\">" + std::to_string(row.responses) +
           "</td><td class=\"num confidence\">" +
           (row.confidenceCount ? meanText(row.confidenceSum, row.confidenceCount) : "–") +
           "</td><td class=\"num low\">" +
           (row.ratings ? percentText(row.lowRatings, row.ratings) : "–") + "</td></tr>\n";
}

void writeRanked(std::FILE* out, const char* id, const std::vector<std::string>& items) {
    put(out, std::string("<ol class=\"ranked\" id=\"") + id + "\">\n");
    for (const std::string& item : items) put(out, "<li>" + item + "</li>\n");
    put(out, "</ol>\n");
}

}  // namespace

std::vector<HandedIn> handedInOf(const std::vector<OverviewRow>& overview) {
    std::vector<HandedIn> handed;
    for (const OverviewRow& row : overview)
        handed.push_back({row.work.student, row.work.identity, row.work.assignment});
    return handed;
}

GridCell::State GridCell::state() const {
    if (!any) return nothing;
    return total >= 0 && answered == total && !flagged ? handedIn : partly;
}

ClassGrid gridOf(const std::vector<OverviewRow>& overview, const ClassList* list,
                 const AliasGroups& aliases) {
    std::set<std::string> assignments;
    for (const OverviewRow& row : overview) assignments.insert(row.work.assignment);
    const ClassRows rows = rowsOf(handedInOf(overview), list, aliases);
    ClassGrid grid;
    grid.assignments.assign(assignments.begin(), assignments.end());
    std::map<std::string, std::size_t> column;
    for (std::size_t a = 0; a < grid.assignments.size(); ++a) column[grid.assignments[a]] = a;
    grid.rows.resize(rows.names.size());
    // The work of each row on each assignment.
    std::vector<std::vector<std::vector<const StudentWork*>>> work(
        rows.names.size(), std::vector<std::vector<const StudentWork*>>(assignments.size()));
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        grid.rows[r].name = rows.names[r];
        grid.rows[r].identity = rows.identities[r];
        grid.rows[r].note = rows.notes[r];
        grid.rows[r].onList = r < rows.members;
    }
    for (std::size_t w = 0; w < overview.size(); ++w) {
        GridRow& row = grid.rows[rows.rowOf[w]];
        const OverviewRow& done = overview[w];
        // A link per page, to the section of the row's first work on it.
        const std::string page = done.link.substr(0, done.link.find('#'));
        if (!page.empty() &&
            std::none_of(row.links.begin(), row.links.end(), [&](const std::string& link) {
                return link.compare(0, link.find('#'), page) == 0;
            }))
            row.links.push_back(done.link);
        if (!done.work.doubts.empty() && grid.rows[rows.rowOf[w]].note.empty())
            grid.rows[rows.rowOf[w]].note = doubtNote;
        work[rows.rowOf[w]][column.at(done.work.assignment)].push_back(&done.work);
        addFigures(row, done.work);
    }
    for (std::size_t r = 0; r < grid.rows.size(); ++r)
        for (const std::vector<const StudentWork*>& assignment : work[r]) {
            GridRow& row = grid.rows[r];
            row.cells.push_back(cellOf(assignment));
            if (row.cells.back().state() == GridCell::handedIn) ++row.handedIn;
            if (row.cells.back().state() == GridCell::partly) ++row.partly;
        }
    return grid;
}

std::vector<std::size_t> strugglingRows(const ClassGrid& grid, int enough, std::size_t most) {
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < grid.rows.size(); ++r)
        if (grid.rows[r].ratings >= enough && grid.rows[r].lowRatings > 0) rows.push_back(r);
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        const GridRow &x = grid.rows[a], &y = grid.rows[b];
        return rankedBefore(x.lowRatings, x.ratings, y.lowRatings, y.ratings);
    });
    if (rows.size() > most) rows.resize(most);
    return rows;
}

std::vector<std::size_t> handedInLeast(const ClassGrid& grid, std::size_t most) {
    std::vector<std::size_t> rows;
    std::vector<int> answered(grid.rows.size(), 0);
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        for (const GridCell& cell : grid.rows[r].cells) answered[r] += cell.answered;
        if (grid.rows[r].handedIn < static_cast<int>(grid.assignments.size())) rows.push_back(r);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        const int x = grid.rows[a].handedIn, y = grid.rows[b].handedIn;
        return x != y ? x < y : answered[a] < answered[b];
    });
    if (rows.size() > most) rows.resize(most);
    return rows;
}

bool rankedBefore(int low, int ratings, int otherLow, int otherRatings) {
    // low / ratings > otherLow / otherRatings, in whole numbers.
    const long long share = static_cast<long long>(low) * otherRatings,
                    otherShare = static_cast<long long>(otherLow) * ratings;
    return share != otherShare ? share > otherShare : ratings > otherRatings;
}

std::string percentText(long long part, long long n) {
    // Whole numbers throughout, as meanText does: round(100 * part / n) for part, n >= 0.
    return std::to_string((200 * part + n) / (2 * n)) + "%";
}

void writeStruggling(std::FILE* out, const ClassGrid& grid, const std::string& runFolder) {
    if (grid.rows.empty()) {
        put(out,
            "<section id=\"struggling\">\n<h2>Who struggles</h2>\n<p>No records were "
            "found.</p>\n</section>\n");
        return;
    }
    put(out,
        "<section id=\"struggling\">\n<h2>Who struggles</h2>\n<h3>Most ratings of 0 or "
        "1</h3>\n<p class=\"quiet\">The share of 0 and 1 among a student's ratings of 0 to 3, "
        "confidence and self-critique together, of students with at least " +
            std::to_string(enoughRatings) + " ratings.</p>\n");
    std::vector<std::string> items;
    for (std::size_t r : strugglingRows(grid, enoughRatings, namesListed))
        items.push_back(nameHtml(grid.rows[r], runFolder) + ": " +
                        percentText(grid.rows[r].lowRatings, grid.rows[r].ratings) + " of " +
                        count(static_cast<std::size_t>(grid.rows[r].ratings), "rating"));
    if (items.empty())
        put(out, "<p>No student with that many ratings rated anything 0 or 1.</p>\n");
    else
        writeRanked(out, "most-low", items);
    put(out, "<h3>Handed in least</h3>\n");
    items.clear();
    for (std::size_t r : handedInLeast(grid, namesListed))
        items.push_back(nameHtml(grid.rows[r], runFolder) + ": " +
                        std::to_string(grid.rows[r].handedIn) + " of " +
                        std::to_string(grid.assignments.size()) + " handed in, " +
                        std::to_string(grid.rows[r].partly) + " partly");
    if (grid.assignments.empty())
        put(out, "<p>No assignment was read.</p>\n");
    else if (items.empty())
        put(out, "<p>Everyone handed in every assignment.</p>\n");
    else
        writeRanked(out, "least-handed-in", items);
    put(out, "</section>\n");
}

void writeGrid(std::FILE* out, const ClassGrid& grid, const std::string& runFolder) {
    put(out, "<section id=\"grid\">\n<h2>Students by assignment</h2>\n");
    if (grid.rows.empty()) {
        put(out, "<p>No records were found.</p>\n</section>\n");
        return;
    }
    put(out,
        "<p class=\"legend\">✓ handed in, every question answered · 7/13 partly: questions "
        "answered of the assignment's · * an incomplete or damaged record · – not handed "
        "in · more pages: the student's work under another name or platform identity</p>\n<div "
        "class=\"scroll\">\n<table class=\"grid\">\n<thead><tr><th>Student</th>");
    for (const std::string& assignment : grid.assignments)
        put(out, "<th class=\"a\">" + htmlText(assignment) + "</th>");
    put(out, "<th>Handed in (of " + std::to_string(grid.assignments.size()) +
                 ")</th><th>Respon&shy;ses</th><th>Mean confi&shy;dence</th><th>Ratings 0 or "
                 "1</th></tr></thead>\n<tbody>\n");
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        if (r > 0 && grid.rows[r - 1].onList && !grid.rows[r].onList)
            put(out, "<tr class=\"apart\"><th colspan=\"" +
                         std::to_string(grid.assignments.size() + 5) +
                         "\">Not on the class list</th></tr>\n");
        put(out, rowHtml(grid.rows[r], runFolder));
    }
    put(out, "</tbody>\n</table>\n</div>\n</section>\n");
}

}  // namespace qatutor::inbox
