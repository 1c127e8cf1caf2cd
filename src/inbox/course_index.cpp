#include "inbox/course_index.h"

#include <algorithm>

#include "bank/bank_grammar.h"
#include "bank/bank_source.h"
#include "base/numbers.h"
#include "base/text.h"

namespace qatutor::inbox {
namespace {

// "003.  Title" -> true; "011." (an end line) -> false: it opens no assignment.
bool isHeaderLine(const std::string& line) {
    return line.size() > 4 && line[3] == '.' &&
           std::all_of(line.begin(), line.begin() + 3, isDigit);
}

// The number in the three characters after the marker; 0 when they hold none (or too big a one).
int questionNumberOf(const std::string& line) {
    const double value = numericValue(line.substr(questionMarker.size(), 3));
    return value >= 0 && value < 1e9 ? static_cast<int>(value) : 0;
}

}  // namespace

CourseIndex::CourseIndex(const std::vector<std::string>& bankLines) {
    assignments_.reserve(
        static_cast<std::size_t>(std::count_if(bankLines.begin(), bankLines.end(), isHeaderLine)));
    BankAssignment* current = nullptr;  // points into assignments_, reserved above
    int question = 0;
    Entry entry = Entry::none;
    for (const std::string& line : bankLines) {
        if (line.empty()) continue;
        if (isHeaderLine(line)) {
            assignments_.push_back({line.substr(0, 3), line, {}});
            current = &assignments_.back();
            question = 0;
            entry = Entry::none;
            continue;
        }
        if (line.size() == 4 && line[3] == '.') {  // an end line closes the assignment
            current = nullptr;
            continue;
        }
        if (!current || isRoutineLine(line)) continue;
        // As the reader does: any "`q" or "`Q" line gives the question number, while only "`q"
        // opens a question.
        if (toLower(line.substr(0, questionMarker.size())) == questionMarker)
            question = questionNumberOf(line);
        BankPlace place{current->number, question, Piece::continuation, entry, {}};
        std::string quoted = line;
        if (startsWith(line, questionMarker)) {
            place = {current->number, question, Piece::question, Entry::question, {}};
            entry = Entry::question;
            if (std::find(current->questions.begin(), current->questions.end(), question) ==
                current->questions.end())
                current->questions.push_back(question);
        } else if (startsWith(line, answerMarker)) {
            quoted = line.substr(answerMarker.size());
            place = {current->number, question, Piece::answer, Entry::answer, {}};
            entry = Entry::answer;
            if (quoted.empty()) continue;
        }
        const auto slot = places_.try_emplace(std::move(quoted)).first;
        place.quoted = slot->first;  // a map's keys stay where they are
        slot->second.push_back(place);
    }
    for (BankAssignment& a : assignments_) std::sort(a.questions.begin(), a.questions.end());
}

const CourseIndex& CourseIndex::builtIn() {
    static const CourseIndex index(bankLines(builtInBank()));
    return index;
}

const std::vector<BankPlace>* CourseIndex::placesOf(std::string_view quoted) const {
    const auto found = places_.find(std::string(quoted));
    return found == places_.end() ? nullptr : &found->second;
}

const BankPlace* CourseIndex::find(std::string_view quoted, std::string_view assignment) const {
    const std::vector<BankPlace>* places = placesOf(quoted);
    if (!places) return nullptr;
    for (const BankPlace& place : *places)
        if (place.assignment == assignment) return &place;
    return &places->front();
}

const BankPlace* CourseIndex::findStart(std::string_view start, std::string_view assignment) const {
    if (start.empty()) return nullptr;
    const BankPlace* found = nullptr;
    for (const auto& [quoted, places] : places_) {
        if (quoted.size() < start.size() ||
            std::string_view(quoted).substr(0, start.size()) != start)
            continue;
        for (const BankPlace& place : places) {
            if (place.assignment != assignment) continue;
            if (found) return nullptr;
            found = &place;
        }
    }
    return found;
}

const BankAssignment* CourseIndex::assignment(std::string_view number) const {
    for (const BankAssignment& a : assignments_)
        if (a.number == number) return &a;
    return nullptr;
}

}  // namespace qatutor::inbox
