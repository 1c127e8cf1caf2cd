#include "inbox/resaved_file.h"

#include <algorithm>
#include <utility>

#include "base/cp1252.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Code points back to Windows-1252 bytes; one without a byte, or one the editor replaced,
// becomes "?".
class Restored {
public:
    explicit Restored(std::size_t size) { bytes_.reserve(size); }
    void add(char32_t point) {
        const std::optional<unsigned char> byte = cp1252::fromCodePoint(point);
        if (point == replacementCharacter) replaced_ = true;
        if (!byte) lost_ = true;
        beyondAscii_ = beyondAscii_ || point >= 0x80;
        bytes_ += byte ? static_cast<char>(*byte) : replacedCharacter;
    }
    bool replaced() const { return replaced_; }
    bool lost() const { return lost_; }
    bool beyondAscii() const { return beyondAscii_; }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
    bool replaced_ = false, lost_ = false, beyondAscii_ = false;
};

// UTF-16 from Notepad's "Unicode": its byte-order mark, or else the zero bytes that every
// character of Windows-1252 below U+0100 has on one side.
std::optional<std::string> fromUtf16(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return std::nullopt;
    std::size_t at = 0;
    bool little;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        little = bytes[0] == '\xFF';
        at = 2;
    } else {
        std::size_t evenZeros = 0, oddZeros = 0;
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            evenZeros += bytes[i] == '\0';
            oddZeros += bytes[i + 1] == '\0';
        }
        const std::size_t units = bytes.size() / 2;
        if (oddZeros * 2 >= units && evenZeros * 8 <= oddZeros)
            little = true;
        else if (evenZeros * 2 >= units && oddZeros * 8 <= evenZeros)
            little = false;
        else
            return std::nullopt;
    }
    auto unit = [&](std::size_t i) { return utf16Unit(bytes, i, little); };
    Restored restored(bytes.size() / 2);
    for (; at < bytes.size(); at += 2) {
        char32_t point = unit(at);
        if (point == 0) return std::nullopt;  // no text
        if (point >= 0xD800 && point <= 0xDBFF && at + 3 < bytes.size()) {
            point = 0x10000 + ((point - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        }
        restored.add(point);
    }
    return std::move(restored.bytes());
}

}  // namespace

char32_t utf16Unit(std::string_view bytes, std::size_t at, bool littleEndian) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return littleEndian ? first | second << 8 : first << 8 | second;
}

std::optional<char32_t> decodeUtf8(std::string_view bytes, std::size_t& at) {
    static constexpr char32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || at + length > bytes.size()) return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next >> 6) != 2) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    if (point < lowest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return std::nullopt;
    at += length;
    return point;
}

Resave restoreWindows1252(std::string& bytes) {
    if (std::optional<std::string> utf16 = fromUtf16(bytes)) {
        bytes = std::move(*utf16);
        return Resave::utf16;
    }
    std::size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const bool byteOrderMark = at == 3;
    Restored restored(bytes.size());
    while (at < bytes.size()) {
        const std::optional<char32_t> point = decodeUtf8(bytes, at);
        if (!point) return Resave::none;
        restored.add(*point);
    }
    // A character without a Windows-1252 byte is the editor's only where it replaced others.
    if (restored.lost() && !restored.replaced()) return Resave::none;
    if (!restored.beyondAscii() && !byteOrderMark) return Resave::none;
    bytes = std::move(restored.bytes());
    return restored.replaced() ? Resave::utf8Replaced : Resave::utf8;
}

bool restoreTrimmedBlanks(std::string& bytes) {
    if (bytes.find(" " + std::string(lineEnd)) != std::string_view::npos) return false;
    auto trimmed = [](std::string_view label) {
        return label.substr(0, label.find_last_not_of(' ') + 1);
    };
    std::string restored;
    restored.reserve(bytes.size() + bytes.size() / 32);
    bool changed = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find(lineEnd, at), bytes.size());
        const std::string_view line = std::string_view(bytes).substr(at, end - at);
        restored += line;
        for (std::string_view label :
             {responseLabel, notesLabel, confidenceLabel, selfCritiqueLabel})
            if (line == trimmed(label)) {
                restored += label.substr(line.size());
                changed = true;
            }
        restored += std::string_view(bytes).substr(end, lineEnd.size());
        at = end + lineEnd.size();
    }
    if (changed) bytes = std::move(restored);
    return changed;
}

bool normalizeLineEnds(std::string& bytes) {
    if (bytes.find('\r') != std::string_view::npos || bytes.find('\n') == std::string_view::npos)
        return false;
    std::string converted;
    converted.reserve(bytes.size() + bytes.size() / 16);
    for (char c : bytes) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    bytes = std::move(converted);
    return true;
}

}  // namespace qatutor::inbox
