// The instructor's report. report.html, the first page, is the class at a glance (class_grid.h):
// the files not read and the notes on the files, the class list's lists (class_view.h), who
// struggles, which questions are hard, and the grid of students by assignment; its size grows
// with students and assignments, never with responses. The run's folder holds the detail it
// links to: overview.html, one row per student and assignment, questions.html, every question
// ranked and a view of each across students (questions_page.h), and a page per student with
// their responses (student_page.h). Every page is self-contained: no script, no network.
//
// The inbox is read one student at a time; a ReportSummary keeps across students only what the
// pages show: the lines on the files, one overview row per student and assignment, and per
// question the count of students, the ratings and the three lowest-rated responses.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "inbox/class_grid.h"
#include "inbox/class_view.h"
#include "inbox/course_index.h"
#include "inbox/inbox.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {

struct Totals {
    std::size_t files = 0;  // files read
    std::size_t students = 0, responses = 0, notes = 0;
};

// Ratings 0, 1, 2, 3, and anything else (missing, or not 0 to 3).
struct Distribution {
    int counts[5] = {0, 0, 0, 0, 0};
    void add(const Record& record);
    int most() const;
};

struct LowResponse {
    int rating = 0;
    std::string html;  // the student (linked to the response), the rating and an excerpt
};

struct QuestionFigures {
    std::size_t answeredBy = 0;  // students
    Distribution confidence, selfCritique;
    std::vector<LowResponse> lowest;  // up to three, lowest rating first, earliest first
};

struct AssignmentFigures {
    std::string title;  // Windows-1252
    std::size_t students = 0;
    std::map<int, QuestionFigures> questions;  // every bank question, and any other answered
};

struct ReportSummary {
    std::vector<FileLine> notRead, damaged, remarks;
    std::vector<FileLine> noRecords;  // plainly no record files, listed quietly
    std::size_t duplicates = 0;
    Totals totals;
    std::vector<OverviewRow> overview;
    std::map<std::string, AssignmentFigures> assignments;
    ClassView classView;  // set by finish()
    ClassGrid grid;       // set by finish()

    // Adds one student's files and work; `page` is the student's page in the run's folder.
    void add(const Inbox& inbox, const std::vector<StudentWork>& work, const CourseIndex& course,
             const std::string& page);
    // Once every student is added: the class as the class list and aliases make it, and the
    // count of students, each person of the class with work once.
    void finish(const ClassList* list, const AliasGroups& aliases);
};

// report.html; `sources` names what was read; `runFolder` ("report-20261207-140509") is the
// run's folder, with the records table and the pages the report links to.
void writeReport(std::FILE* out, const ReportSummary& summary, const std::string& sources,
                 const std::string& runFolder);

// The overview's page in the run's folder (overviewName).
void writeOverviewPage(std::FILE* out, const ReportSummary& summary);

// The nav of a page in the run's folder: back to the report, and to the other pages.
std::string detailNav();

}  // namespace qatutor::inbox
