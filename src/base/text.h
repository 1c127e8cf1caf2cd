// Small helpers on byte texts, shared by every part of the tutor.
#pragma once

#include <string>
#include <string_view>

namespace qatutor {

// isDigit('7') -> true     isDigit('a') -> false     isDigit('\xB2') -> false (superscript two)
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Only the letters A to Z change; every other byte stays as it is.
//   toLower("`ROUTINE Graph1") -> "`routine graph1"     toLower("\xC9") -> "\xC9"
std::string toLower(std::string_view text);

// startsWith("`q004.", "`q") -> true     startsWith("`", "`q") -> false
constexpr bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace qatutor
