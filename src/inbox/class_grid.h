// The class at a glance, the report's first page: a row per person (class_view.h's rows) with a
// cell per assignment, what they handed in, and their figures across assignments; from these,
// who struggles and who has handed in least. Built from the overview's figures alone: no
// response is kept.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "inbox/class_list.h"
#include "inbox/class_view.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {

struct OverviewRow {
    StudentWork work;  // its figures; the entries are left out
    std::string link;  // the student's page and section in the run's folder: "student-1.html#w1"
};

// One person's work on one assignment: handed in (every question of the assignment answered,
// every record whole), partly, or nothing.
struct GridCell {
    enum State { nothing, partly, handedIn };
    bool any = false;      // some work was read
    int answered = 0;      // questions with a response
    int total = -1;        // the assignment's questions; -1 when it is not in the bank
    bool flagged = false;  // an incomplete record, or records read from damaged lines
    State state() const;
};

struct GridRow {
    std::string name, identity;      // UTF-8; the identity when the row is one platform person's
    std::string note;                // UTF-8: a doubt about who the row is, or empty
    bool onList = false;             // a member of the class list
    std::vector<std::string> links;  // the person's pages in the run's folder, first page first,
                                     // each at the section of their first work on it
    std::vector<GridCell> cells;     // one per assignment of the grid
    int handedIn = 0, partly = 0;    // cells of each state
    int responses = 0;
    long long confidenceSum = 0;
    int confidenceCount = 0;
    int lowRatings = 0, ratings = 0;  // ratings of 0 or 1, of all the ratings of 0 to 3
};

struct ClassGrid {
    std::vector<std::string> assignments;  // "001", in order
    std::vector<GridRow> rows;
};

// Each row's person and assignment, as the class view matches them.
std::vector<HandedIn> handedInOf(const std::vector<OverviewRow>& overview);

// The grid of `overview`'s work; with a class list, every member has a row, handed in or not.
ClassGrid gridOf(const std::vector<OverviewRow>& overview, const ClassList* list,
                 const AliasGroups& aliases = {});

// The rows with at least `enough` ratings and some of 0 or 1, the highest share of 0 or 1 first,
// of equal shares the one with more ratings, then in the grid's order; at most `most` of them.
std::vector<std::size_t> strugglingRows(const ClassGrid& grid, int enough, std::size_t most);

// The rows that have not handed in every assignment, the fewest handed in first, then the
// fewest questions answered, then in the grid's order; at most `most` of them.
std::vector<std::size_t> handedInLeast(const ClassGrid& grid, std::size_t most);

// Whether `low` of `ratings` ranks before `otherLow` of `otherRatings`: a higher share, or of
// equal shares more ratings. rankedBefore(2, 4, 1, 2) -> true; rankedBefore(1, 2, 2, 4) -> false
bool rankedBefore(int low, int ratings, int otherLow, int otherRatings);

// A share as a whole percentage, a half rounded away from zero: percentText(1, 8) -> "13%";
// `n` is more than 0.
std::string percentText(long long part, long long n);

// The report's lists of who struggles and who has handed in least, each name linked to the
// student's page in `runFolder`.
void writeStruggling(std::FILE* out, const ClassGrid& grid, const std::string& runFolder);

// The report's grid; `runFolder` ("report-20261207-140509") leads to the students' pages.
void writeGrid(std::FILE* out, const ClassGrid& grid, const std::string& runFolder);

}  // namespace qatutor::inbox
