// Numbers read from and written as texts, the same under every locale.
#pragma once

#include <string>
#include <string_view>

namespace qatutor {

// Blanks, tabs and line feeds are skipped wherever they stand; the longest leading part of what
// remains that reads as a decimal number gives the value, 0 if there is none.
//   numericValue("003") -> 3      numericValue("12b") -> 12     numericValue("abc") -> 0
//   numericValue(" 1 2") -> 12    numericValue("2.5") -> 2.5    numericValue("1e3") -> 1000
//   numericValue("-4") -> -4
// A value beyond the range of a double ("1e999") is an overflow: a TutorError.
double numericValue(std::string_view text);

// A number as text with no leading blank; a whole value has no decimal point, at most 15
// significant digits in all.
//   numberText(4) -> "4"    numberText(3.5) -> "3.5"    numberText(-4) -> "-4"
std::string numberText(double value);

// A number as a record item: a blank (a minus sign for a negative value), the digits, a blank.
//   numberItem(30012) -> " 30012 "    numberItem(-4) -> "-4 "
std::string numberItem(double value);

// Pads by length: one character gets "00" in front, two get "0", any other length stays.
//   padNumber("3") -> "003"    padNumber("12") -> "012"    padNumber("0003") -> "0003"
std::string padNumber(const std::string& text);

}  // namespace qatutor
