// The report's first page over a small known class: a row per person by assignment with their
// figures, who struggles and which question is hard; and a first page that holds no response and
// keeps its size whatever their length.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "inbox/class_grid.h"
#include "inbox/class_list.h"
#include "inbox/output_names.h"
#include "inbox/questions_page.h"
#include "inbox/report.h"
#include "inbox/run_inbox.h"
#include "inbox_fixtures.h"
#include "support/temp_folder.h"

namespace qatutor::testing {
namespace {

using namespace inbox;
using Texts = std::vector<std::string>;

struct Done {
    std::string student, identity, assignment;
    int answered, total;
    std::vector<int> missing;
    int incomplete, responses, confidenceSum, confidenceCount, selfCritiqueCount, lowRatings;
};

OverviewRow rowOf(const Done& d, std::size_t page) {
    OverviewRow row;
    StudentWork& w = row.work;
    w.student = d.student, w.identity = d.identity, w.assignment = d.assignment;
    w.answered = d.answered, w.total = d.total, w.missing = d.missing;
    w.incomplete = d.incomplete, w.responses = d.responses;
    w.confidenceSum = d.confidenceSum, w.confidenceCount = d.confidenceCount;
    w.selfCritiqueCount = d.selfCritiqueCount, w.lowRatings = d.lowRatings;
    row.link = "student-" + std::to_string(page) + ".html#w1";
    return row;
}

// The class: Cy Ng, on the list, handed in nothing; Bob Stone's work is in two names the list
// joins, each answering questions the other did not; Dee Fox's in two names an alias group
// joins; Eve Park is two people of the course platform; Ann Lee's second assignment holds an
// incomplete record.
const std::vector<Done> classWork = {
    //  student, identity, assignment, answered, total, missing, incomplete, responses,
    //  confidence sum and count, self-critique count, ratings 0 or 1
    {"Ann Lee", "", "001", 3, 3, {}, 0, 6, 6, 3, 3, 1},
    {"Ann Lee", "", "002", 4, 4, {}, 1, 4, 0, 0, 0, 0},
    {"Bob Stone", "", "001", 1, 3, {2, 3}, 0, 2, 1, 1, 1, 1},
    {"Robert Stone", "", "001", 1, 3, {1, 3}, 0, 2, 2, 1, 1, 1},
    {"Dee Fox", "", "002", 4, 4, {}, 0, 4, 5, 3, 3, 3},
    {"Dee Foxe", "", "001", 0, 3, {1, 2, 3}, 0, 0, 0, 0, 0, 0},
    {"Eve Park", "Eve Park_11", "002", 2, 4, {3, 4}, 0, 2, 2, 1, 1, 1},
    {"Eve Park", "Eve Park_12", "002", 4, 4, {}, 0, 4, 12, 4, 0, 0},
};

// The text of each cell of each grid row of `html`, tags left out.
std::vector<Texts> gridRowsOf(const std::string& html) {
    std::vector<Texts> rows;
    const std::string rowStart = "<tr class=\"person\">";
    for (std::size_t at = html.find(rowStart); at != std::string::npos;
         at = html.find(rowStart, at + 1)) {
        const std::size_t end = html.find("</tr>", at);
        Texts cells;
        for (std::size_t td = html.find("<td", at); td < end; td = html.find("<td", td + 1)) {
            std::string text;
            bool inTag = false;
            for (std::size_t i = td; i < html.find("</td>", td); ++i) {
                if (html[i] == '<' || html[i] == '>')
                    inTag = html[i] == '<';
                else if (!inTag)
                    text += html[i];
            }
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

TEST(ClassGrid, EachPersonIsOneRowWithTheirCellsAndFigures) {
    const ClassList list =
        parseClassList("Name,Aliases\nAnn Lee,\nBob Stone,Robert Stone\nCy Ng,\n");
    const AliasGroups aliases = {{"Dee Fox", "Dee Foxe"}};
    std::vector<OverviewRow> overview;
    std::map<std::string, std::size_t> pages;  // a page per person, as the run writes them
    for (const Done& done : classWork)
        overview.push_back(rowOf(
            done, pages.try_emplace(done.student + done.identity, pages.size() + 1).first->second));
    overview[2].work.doubts = {"two runs of this assignment share no record"};
    const ClassGrid grid = gridOf(overview, &list, aliases);
    EXPECT_EQ(grid.assignments, (Texts{"001", "002"}));

    // Name (and identity), 001, 002, handed in, responses, mean confidence, ratings 0 or 1.
    const std::vector<Texts> want = {
        {"Ann Lee", "✓", "4/4*", "1", "10", "2.0", "17%"},
        {"Bob Stone (more pages: 2)the overview doubts that this is one student", "2/3", "–", "0",
         "4", "1.5", "50%"},
        {"Cy Ng", "–", "–", "0", "0", "–", "–"},
        {"Dee Fox (more pages: 2)", "0/3", "✓", "1", "4", "1.7", "50%"},
        {"Eve ParkEve Park_11one of 2 people of this name on the course platform", "–", "2/4", "0",
         "2", "2.0", "50%"},
        {"Eve ParkEve Park_12one of 2 people of this name on the course platform", "–", "✓", "1",
         "4", "3.0", "0%"},
    };
    const std::string html = writtenBy([&](std::FILE* out) { writeGrid(out, grid, "report-1"); });
    EXPECT_EQ(gridRowsOf(html), want);
    EXPECT_NE(
        html.find("<a href=\"report-1/student-2.html#w1\">Bob Stone</a> <span "
                  "class=\"also\">(more pages: <a href=\"report-1/student-3.html#w1\">2</a>)"),
        std::string::npos);
    EXPECT_NE(html.find("Not on the class list</th></tr>\n<tr class=\"person\"><td "
                        "class=\"student\"><a href=\"report-1/student-4.html#w1\">Dee Fox"),
              std::string::npos);

    // Of equal shares (Bob 2 of 4, Dee 3 of 6, Eve 1 of 2) more ratings first; too few left out.
    const std::vector<std::tuple<int, std::size_t, std::vector<std::size_t>>> struggling = {
        {4, 10, {3, 1, 0}}, {4, 2, {3, 1}}, {2, 10, {3, 1, 4, 0}}, {7, 10, {}}};
    for (const auto& [enough, most, rows] : struggling)
        EXPECT_EQ(strugglingRows(grid, enough, most), rows) << enough << " " << most;
    // Fewest handed in, then fewest questions answered (Bob and Eve_11 two each), then in order.
    EXPECT_EQ(handedInLeast(grid, 10), (std::vector<std::size_t>{2, 1, 4, 3, 5, 0}));
    EXPECT_EQ(handedInLeast(grid, 2), (std::vector<std::size_t>{2, 1}));

    // Without the list and the aliases, every name is a person of their own.
    const ClassGrid apart = gridOf(overview, nullptr);
    EXPECT_EQ(apart.rows.size(), 7u);
    EXPECT_EQ(apart.rows[1].name, "Bob Stone");
    EXPECT_EQ(apart.rows[6].name, "Robert Stone");

    // The students counted are the people with work; a class list of no work read says so.
    ReportSummary summary;
    summary.overview = overview;
    summary.finish(&list, aliases);
    EXPECT_EQ(summary.totals.students, 5u);
    const std::string unread =
        writtenBy([&](std::FILE* out) { writeStruggling(out, gridOf({}, &list), "report-1"); });
    EXPECT_NE(unread.find("No assignment was read."), std::string::npos);
}

TEST(ClassGrid, SharesAreWholePercentagesAndRankHigherShareThenMoreRatingsFirst) {
    const std::vector<std::tuple<long long, long long, std::string>> cases = {
        {1, 6, "17%"},  {1, 8, "13%"},  {0, 3, "0%"},  {2, 3, "67%"},
        {1, 200, "1%"}, {3, 3, "100%"}, {1, 400, "0%"}};
    for (const auto& [part, n, want] : cases)
        EXPECT_EQ(percentText(part, n), want) << part << "/" << n;
    // A higher share first, of equal shares more ratings; never both ways.
    const std::vector<std::tuple<int, int, int, int, bool>> order = {
        {2, 4, 1, 2, true}, {1, 2, 2, 4, false}, {1, 3, 1, 2, false},
        {3, 4, 2, 3, true}, {0, 5, 0, 0, true},  {2, 2, 2, 2, false}};
    for (const auto& [low, ratings, otherLow, otherRatings, want] : order) {
        EXPECT_EQ(rankedBefore(low, ratings, otherLow, otherRatings), want)
            << low << "/" << ratings << " " << otherLow << "/" << otherRatings;
        if (want) {
            EXPECT_FALSE(rankedBefore(otherLow, otherRatings, low, ratings));
        }
    }
}

QuestionFigures ratedAs(std::size_t answeredBy, std::vector<int> confidence,
                        std::vector<int> selfCritique) {
    QuestionFigures q;
    q.answeredBy = answeredBy;
    for (int i = 0; i < 5; ++i) {
        q.confidence.counts[i] = confidence[static_cast<std::size_t>(i)];
        q.selfCritique.counts[i] = selfCritique[static_cast<std::size_t>(i)];
    }
    return q;
}

TEST(ClassGrid, QuestionsRankByTheirShareOfZeroAndOneThenByMoreRatings) {
    std::map<std::string, AssignmentFigures> assignments;
    assignments["001"].questions = {{1, ratedAs(4, {1, 0, 2, 1, 0}, {0, 0, 0, 0, 0})},
                                    {2, ratedAs(2, {0, 1, 1, 0, 0}, {0, 0, 0, 0, 0})},
                                    {3, ratedAs(0, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0})}};
    assignments["002"].questions = {{1, ratedAs(4, {0, 2, 2, 0, 0}, {0, 0, 0, 0, 0})},
                                    {2, ratedAs(3, {0, 0, 0, 0, 3}, {0, 0, 0, 0, 0})},
                                    {4, ratedAs(2, {0, 0, 1, 1, 0}, {1, 0, 0, 0, 4})}};
    // Assignment, question, ratings 0 or 1, ratings 0 to 3 (a rating not 0 to 3 counts in none).
    const std::vector<std::tuple<std::string, int, int, int>> want = {
        {"002", 1, 2, 4}, {"001", 2, 1, 2}, {"002", 4, 1, 3},
        {"001", 1, 1, 4}, {"001", 3, 0, 0}, {"002", 2, 0, 0}};
    std::vector<std::tuple<std::string, int, int, int>> got;
    for (const RankedQuestion& q : rankQuestions(assignments))
        got.emplace_back(q.assignment, q.question, q.low, q.ratings);
    EXPECT_EQ(got, want);

    ReportSummary summary;
    summary.assignments = assignments;
    const std::string first = writtenBy(
        [&](std::FILE* out) { writeReport(out, summary, "the folder", "report-20261207-140509"); });
    // The first page links each hard question to its row; a question nobody rated 0 or 1 is
    // not among them.
    EXPECT_NE(first.find("<li><a href=\"report-20261207-140509/questions.html#q002-1\">Assignment "
                         "002, question 1</a>: 50% of 4 ratings</li>"),
              std::string::npos);
    EXPECT_EQ(first.find("#q001-3"), std::string::npos);
    const std::string page = writtenBy([&](std::FILE* out) { writeQuestionsPage(out, summary); });
    EXPECT_NE(page.find("<tr class=\"question\" id=\"q002-1\">"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"../report.html\">"), std::string::npos);
}

// A student's session whose responses are `size` bytes long and begin with `mark`.
std::string sessionWithResponses(const std::string& student, std::size_t size,
                                 const std::string& mark) {
    std::string send = goldenSend();
    const std::string response = mark + std::string(size - mark.size(), 'x');
    send.replace(send.find("I think 12."), 11, student + " " + response);
    return send;
}

TEST(ClassGrid, TheFirstPageHoldsNoResponseAndKeepsItsSizeWhateverTheirLength) {
    const std::string mark = "RESPONSE-TEXT-SHOWN";
    std::vector<std::size_t> sizes;
    for (std::size_t length : {40u, 40000u}) {
        TempFolder folder;
        for (const std::string student : {"Ann_Lee", "Bob_Stone", "Cy_Ng"})
            writeFile(folder.file("send_1207" + student + ".txt"),
                      sessionWithResponses(student, length, mark));
        const InboxRun run = runInbox({folder.path()}, folder.path(), fixtureCourse());
        ASSERT_FALSE(run.failure) << run.failure->what();
        const std::string report = readFile(folder.file(reportName));
        EXPECT_EQ(report.find(mark), std::string::npos) << length;
        const auto overview = std::filesystem::path(run.csvPath).parent_path() / overviewName;
        EXPECT_EQ(readFile(overview.string()).find(mark), std::string::npos) << length;
        sizes.push_back(report.size() - folder.path().size());  // the page names its folder
    }
    EXPECT_EQ(sizes[0], sizes[1]);
}

}  // namespace
}  // namespace qatutor::testing
