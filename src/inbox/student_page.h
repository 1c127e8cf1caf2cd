// A student's page: beside report.html, a section per assignment with every response under the
// piece of the bank it answers, notes set apart. The report links to each section and response.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "inbox/student_work.h"

namespace qatutor::inbox {

// Anchors of the page: a section per work ("w1"), a response or note per entry ("w1-3").
std::string anchorOf(std::size_t work);
std::string anchorOf(std::size_t work, std::size_t entry);

// Writes the page of `work` (one student's assignments); `reportLink` leads back to the report.
void writeStudentPage(std::FILE* out, const std::vector<StudentWork>& work,
                      const std::string& reportLink);

// The rating as typed, flagged when it is missing or not 0 to 3: " · confidence <b>2</b>".
std::string ratingHtml(const Record& record);

}  // namespace qatutor::inbox
