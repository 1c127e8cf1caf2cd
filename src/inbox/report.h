// The instructor's report, report.html: one self-contained page (no script, no network) with
// the files not read and the notes on the files, the class (class_view.h), the overview of
// students by assignment and a view per question across students. Each student's responses are on a page of their own beside
// it (student_page.h), so the report stays small however large the inbox.
//
// The inbox is read one student at a time; a ReportSummary keeps across students only what the
// report shows: the lines on the files, one overview row per student and assignment, and per
// question the count of students, the ratings and the three lowest-rated responses.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

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

struct OverviewRow {
    StudentWork work;  // its figures; the entries are left out
    std::string link;  // the student's page and section: "report-20261207-140509/student-1.html#w1"
};

struct ReportSummary {
    std::vector<FileLine> notRead, damaged, remarks;
    std::vector<FileLine> noRecords;  // plainly no record files, listed quietly
    std::size_t duplicates = 0;
    Totals totals;
    std::vector<OverviewRow> overview;
    std::map<std::string, AssignmentFigures> assignments;
    ClassView classView;  // set once every student is added

    // Adds one student's files and work; `page` is the link to the student's page.
    void add(const Inbox& inbox, const std::vector<StudentWork>& work, const CourseIndex& course,
             const std::string& page);

private:
    std::set<std::string> students_;  // personKey of each person
};

// `sources` names what was read; `csvLink` leads to the records table of the same run.
void writeReport(std::FILE* out, const ReportSummary& summary, const std::string& sources,
                 const std::string& csvLink);

}  // namespace qatutor::inbox
