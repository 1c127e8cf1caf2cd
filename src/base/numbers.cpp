#include "base/numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "base/errors.h"
#include "base/text.h"

namespace qatutor {
namespace {

// Length of the longest leading part of `s` that reads as a decimal number, 0 if none:
// an optional sign, digits with at most one point (at least one digit), and an optional
// exponent that counts only when it has digits.
std::size_t leadingNumberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t exponentStart = j;
        while (j < s.size() && isDigit(s[j])) ++j;
        if (j > exponentStart) i = j;
    }
    return i;
}

}  // namespace

double numericValue(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') compact += c;

    const std::size_t length = leadingNumberLength(compact);
    if (length == 0) return 0.0;
    std::string_view number(compact.data(), length);
    const bool negative = number.front() == '-';
    if (number.front() == '+' || number.front() == '-') number.remove_prefix(1);

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when out of range: tell overflow from underflow
        // by the exponent's sign.
        const auto e = number.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        if (tiny) return 0.0;
        throw TutorError("Overflow: the number " + std::string(compact.substr(0, length)) +
                         " is too large.");
    }
    (void)end;
    return negative ? -value : value;
}

std::string numberText(double value) {
    if (!std::isfinite(value)) throw TutorError("Overflow: a number is too large.");
    if (value == 0.0) return "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string numberItem(double value) {
    const std::string text = numberText(value);
    return text.front() == '-' ? text + " " : " " + text + " ";
}

std::string padNumber(const std::string& text) {
    if (text.size() == 1) return "00" + text;
    if (text.size() == 2) return "0" + text;
    return text;
}

}  // namespace qatutor
