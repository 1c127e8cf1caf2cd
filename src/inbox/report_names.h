// The words the report and the records table use for a record's place and rating.
#pragma once

#include <string>

#include "inbox/record_file.h"

namespace qatutor::inbox {

// What the record responds to: "question", "answer, continued", "before the first question", ...
std::string pieceName(const Record& record);

// "Question 4", or "No question number" for a line that is not in the course bank.
std::string questionName(const Record& record);

// "confidence", "self-critique", or "" for a record without a rating.
std::string ratingKindName(RatingKind kind);

}  // namespace qatutor::inbox
