#include "inbox/text_encoding.h"

#include <algorithm>
#include <cstdio>

#include "base/cp1252.h"
#include "base/text.h"
#include "inbox/file_names.h"
#include "inbox/inbox_error.h"
#include "inbox/resaved_file.h"

namespace qatutor::inbox {
namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view littleEndianMark = "\xFF\xFE";
constexpr std::string_view bigEndianMark = "\xFE\xFF";
constexpr const char* saveAsText = " (a spreadsheet's own file? save it as CSV or Unicode text)";

bool printableAscii(char c) { return c >= 0x20 && c < 0x7F; }

// Appends any code point as UTF-8, those beyond the Basic Multilingual Plane in four bytes.
void appendCodePoint(std::string& out, char32_t c) {
    if (c < 0x10000) return cp1252::appendUtf8(out, c);
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

// UTF-16 as UTF-8; a character cut in half, at the end or by a lone surrogate, is refused.
// `bytes` start `offset` bytes into the file, after its byte-order mark.
std::string fromUtf16(std::string_view bytes, bool littleEndian, std::size_t offset) {
    if (bytes.size() % 2 != 0) throw InboxError("not text: UTF-16 cut off in a character");
    auto unitAt = [&](std::size_t i) { return utf16Unit(bytes, i, littleEndian); };
    auto between = [](char32_t c, char32_t low, char32_t high) { return c >= low && c <= high; };
    std::string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (between(c, 0xD800, 0xDBFF) && i + 2 < bytes.size() &&
            between(unitAt(i + 2), 0xDC00, 0xDFFF)) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (between(c, 0xD800, 0xDFFF)) {
            throw InboxError("not text: broken UTF-16 at byte " + std::to_string(offset + i));
        }
        appendCodePoint(text, c);
    }
    return text;
}

// Throws InboxError naming the line and the character when UTF-8 `text` holds a control
// character other than tab, CR and LF: what no text file of names holds, and every binary does.
// `text` starts `offset` bytes into the file, after its byte-order mark.
void checkNoControls(const std::string& text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t begin = at;
        const std::optional<char32_t> c = decodeUtf8(text, at);
        if (!c)
            throw InboxError("not text: broken UTF-8 at byte " + std::to_string(offset + begin));
        if (*c == '\n') ++line;
        if ((*c < 0x20 && *c != '\t' && *c != '\r' && *c != '\n') || (*c >= 0x7F && *c <= 0x9F)) {
            char code[8];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*c));
            throw InboxError("not text: line " + std::to_string(line) +
                             " holds the control character " + code + saveAsText);
        }
    }
}

}  // namespace

std::string utf8TextOf(std::string_view bytes) {
    std::string text;
    std::size_t offset = 0;  // of the text after a byte-order mark
    if (startsWith(bytes, littleEndianMark) || startsWith(bytes, bigEndianMark))
        text = fromUtf16(bytes.substr(2), bytes[0] == littleEndianMark[0], offset = 2);
    else if (bytes.size() >= 2 && printableAscii(bytes[0]) && bytes[1] == '\0')
        text = fromUtf16(bytes, true, 0);
    else if (bytes.size() >= 2 && bytes[0] == '\0' && printableAscii(bytes[1]))
        text = fromUtf16(bytes, false, 0);
    else if (startsWith(bytes, utf8Mark))  // UTF-8 by its mark, checked below
        text = std::string(bytes.substr(offset = utf8Mark.size()));
    else
        text = utf8Name(std::string(bytes));
    checkNoControls(text, offset);
    return text;
}

std::string trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::vector<std::string> piecesOf(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        pieces.push_back(trimmed(text.substr(start, end - start)));
        start = end + 1;
    }
    return pieces;
}

}  // namespace qatutor::inbox
