#include "bank/bank_grammar.h"

namespace qatutor {

std::string toLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool isRoutineLine(std::string_view line) {
    return line.size() >= routineMarker.size() &&
           toLower(line.substr(0, routineMarker.size())) == routineMarker;
}

std::string_view routineNameOf(std::string_view line) {
    return line.size() > routineMarker.size() + 1 ? line.substr(routineMarker.size() + 1)
                                                  : std::string_view{};
}

}  // namespace qatutor
