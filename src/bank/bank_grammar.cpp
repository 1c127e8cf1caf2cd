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

std::string expandLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 1 < text.size() && text[i + 1] == '}') {
            result += "\r\n";
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace qatutor
