#include "bank/bank_grammar.h"

#include "base/text.h"

namespace qatutor {

bool isRoutineLine(std::string_view line) {
    return line.size() >= routineMarker.size() &&
           toLower(line.substr(0, routineMarker.size())) == routineMarker;
}

std::string_view routineNameOf(std::string_view line) {
    return line.size() > routineMarker.size() + 1 ? line.substr(routineMarker.size() + 1)
                                                  : std::string_view{};
}

}  // namespace qatutor
