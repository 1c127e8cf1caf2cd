// Windows-1252, the character set of every text the tutor holds.
//
// Byte k of a text is the character whose Windows-1252 code is k. The five codes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081 and so on, so
// every byte value has a code point and survives the round trip through Unicode.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qatutor::cp1252 {

// toCodePoint(0x80) -> 0x20AC (the euro sign); toCodePoint(0x41) -> 0x41.
char32_t toCodePoint(unsigned char byte);

// fromCodePoint(0x20AC) -> 0x80; fromCodePoint(0x3C0) (Greek pi) -> nothing.
std::optional<unsigned char> fromCodePoint(char32_t codePoint);

// The text as UTF-8, for file names and messages.
std::string toUtf8(std::string_view bytes);

// Appends one code point of the Basic Multilingual Plane as UTF-8.
//   appendUtf8(out, 0x20AC) appends "\xE2\x82\xAC"
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace qatutor::cp1252
