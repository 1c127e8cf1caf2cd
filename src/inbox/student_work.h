// The records of an inbox grouped by student and assignment, with the figures of the overview.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "inbox/inbox.h"

namespace qatutor::inbox {

struct WorkEntry {
    const StudentFile* file;
    const Record* record;
    std::string
        date;  // the note's own date, else the run's, a day on for each midnight the run passed
    std::string order;  // date and time, to sort by
};

struct StudentWork {
    std::string student;     // UTF-8
    std::string identity;    // the course platform's identity of the person, UTF-8, or empty
    std::string assignment;  // "003"
    std::string title;       // the assignment's header line, Windows-1252
    std::vector<WorkEntry>
        entries;  // oldest first; records already shown from another file left out

    int answered = 0;  // distinct questions with a response
    int total = -1;    // questions in the bank's assignment; -1 when not in the bank
    int responses = 0, notes = 0;
    double confidenceSum = 0, selfCritiqueSum = 0;
    int confidenceCount = 0, selfCritiqueCount = 0;
    int lowRatings = 0;  // ratings of 0 or 1
    int oddRatings = 0;  // ratings that are not 0 to 3
    int incomplete = 0;
    int inDoubt = 0;                  // records read from damaged lines of a file, or next to them
    std::string first, last;          // "2026-12-07 14:05:09", year first as the report shows it
    std::vector<int> missing;         // bank questions without a response
    std::vector<std::string> doubts;  // UTF-8: what may make these two people, or another's
};

// Students by name, each student's assignments by number, with the inbox's doubts about them.
// When the name stands for several people of a course platform (Inbox::peopleApart), each
// identity's work on an assignment apart.
std::vector<StudentWork> groupByStudent(const Inbox& inbox, const CourseIndex& course);

// A rating as a number: "2" -> 2, " 3 " -> 3; "5", "", "two", "2.5" -> nothing.
std::optional<int> ratingValue(std::string_view rating);

// "12-07-2026" -> "20261207", the order of dates; any other text stays as it is.
std::string dateOrder(std::string_view date);

// A record's date as the report shows it, year first so that no reader takes the month for the
// day: "12-07-2026" -> "2026-12-07"; any other text stays as it is.
std::string reportDate(std::string_view date);

}  // namespace qatutor::inbox
