// The questions' page in the run's folder (questionsName): every question ranked by how hard the
// students found it, then each assignment's questions across the students, with bar charts of
// their ratings and the lowest-rated responses. report.html's hard questions are the first of
// the same ranking.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "inbox/report.h"

namespace qatutor::inbox {

// A question by its share of ratings of 0 and 1 among its ratings of 0 to 3, confidence and
// self-critique together: the ratings a student gives a question and its worked answer both say
// how hard it was, and a missing or odd rating says nothing.
struct RankedQuestion {
    std::string assignment;  // "003"
    int question = 0;
    int low = 0, ratings = 0;  // ratings of 0 or 1, of all the ratings of 0 to 3
    std::size_t answeredBy = 0;
};

// Every question of `assignments`, the highest share first; of equal shares the one with more
// ratings, then by assignment and question. Questions without ratings come last.
std::vector<RankedQuestion> rankQuestions(
    const std::map<std::string, AssignmentFigures>& assignments);

// The anchor of a question's row on questions.html: "q003-4".
std::string questionAnchor(const std::string& assignment, int question);

// What the ranking goes by, said above it on report.html and on the questions' page.
inline constexpr const char* rankingNote =
    "By the share of 0 and 1 among the ratings of 0 to 3 that students gave the question and its "
    "worked answer (confidence and self-critique): both say how hard it was; a rating missing or "
    "not 0 to 3 says nothing and is left out. Of equal shares, the one with more ratings first.";

// "Assignment 003, question 4", linked to its row when it has one (a question nobody answered
// has none); `page` is the link to questions.html, or empty on that page itself.
std::string questionLink(const RankedQuestion& q, const std::string& page);

// A question's share of ratings of 0 or 1 ("25%"); "–" for a question without ratings.
std::string shareText(const RankedQuestion& q);

// The page itself: the ranking, then each assignment's questions.
void writeQuestionsPage(std::FILE* out, const ReportSummary& summary);

}  // namespace qatutor::inbox
