#include "inbox/report_names.h"

namespace qatutor::inbox {

std::string pieceName(const Record& record) {
    if (!record.place && record.incomplete) return "a line cut off with the file";
    if (record.quoted().empty()) return "before the first question";
    if (!record.place) return "a line that is not in the course bank";
    switch (record.place->piece) {
    case Piece::question: return "question";
    case Piece::answer: return "answer";
    case Piece::continuation:
        return record.place->entry == Entry::answer ? "answer, continued" : "question, continued";
    }
    return {};
}

std::string questionName(const Record& record) {
    return record.question > 0 ? "Question " + std::to_string(record.question)
                               : "No question number";
}

std::string ratingKindName(RatingKind kind) {
    switch (kind) {
    case RatingKind::confidence: return "confidence";
    case RatingKind::selfCritique: return "self-critique";
    case RatingKind::none: return "";
    }
    return {};
}

}  // namespace qatutor::inbox
