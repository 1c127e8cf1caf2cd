#include "window/tutor_text.h"

#include "base/cp1252.h"

namespace qatutor {
namespace {

bool isLineBreak(char32_t c) { return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0x2028; }

bool isBlank(char32_t c) { return c == u' ' || c == u'\t' || isLineBreak(c); }

char32_t characterOf(std::string_view bytes, std::size_t i) {
    return cp1252::toCodePoint(static_cast<unsigned char>(bytes[i]));
}

}  // namespace

bool typedBeyond(const QString& raw, std::string_view tutors) {
    const auto* box = reinterpret_cast<const char16_t*>(raw.constData());
    // What is still unmatched: box[first, last) against tutors[from, to).
    qsizetype first = 0;
    qsizetype last = raw.size();
    std::size_t from = 0;
    std::size_t to = tutors.size();
    // The tutor's text from its start, as far as the box follows it ...
    for (;;) {
        while (first < last && isBlank(box[first])) ++first;
        while (from < to && isBlank(characterOf(tutors, from))) ++from;
        if (first == last || from == to || box[first] != characterOf(tutors, from)) break;
        ++first;
        ++from;
    }
    // ... and from its end, back to there. A typed character stops both.
    for (;;) {
        while (last > first && isBlank(box[last - 1])) --last;
        while (to > from && isBlank(characterOf(tutors, to - 1))) --to;
        if (last == first || to == from || box[last - 1] != characterOf(tutors, to - 1)) break;
        --last;
        --to;
    }
    return last > first;
}

std::optional<std::size_t> bytesSpelling(const QString& raw, std::string_view text) {
    std::size_t i = 0;
    for (const QChar c : raw) {
        if (i == text.size()) return std::nullopt;
        if (isLineBreak(c.unicode())) {
            if (text[i] == '\r') {
                ++i;
                if (i < text.size() && text[i] == '\n') ++i;
            } else if (text[i] == '\n') {
                ++i;
            } else {
                return std::nullopt;
            }
        } else if (c.unicode() == characterOf(text, i)) {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return i;
}

}  // namespace qatutor
