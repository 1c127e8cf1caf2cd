#include "window/name_spelling.h"

#include <QList>

#include "base/cp1252.h"
#include "window/latin_letters.h"

namespace qatutor {
namespace {

bool heldInWindows1252(char32_t c) { return cp1252::fromCodePoint(c).has_value(); }

bool allHeld(const QString& text) {
    const auto codePoints = text.toUcs4();
    for (char32_t c : codePoints)
        if (!heldInWindows1252(c)) return false;
    return true;
}

// The characters of `text` that Windows-1252 holds, in order.
QString heldOnly(const QString& text) {
    QString kept;
    const auto codePoints = text.toUcs4();
    for (char32_t c : codePoints)
        if (heldInWindows1252(c)) kept += QString::fromUcs4(&c, 1);
    return kept;
}

// Whether the word has capitals at all: Chinese or Arabic has none, Greek or Cyrillic has.
bool hasCasedLetter(const QString& word) {
    const auto codePoints = word.toUcs4();
    for (char32_t c : codePoints)
        if (QChar::isUpper(c) || QChar::isLower(c) || QChar::isTitleCase(c)) return true;
    return false;
}

// "li xiao long" -> "Li Xiao Long"
QString capitalised(QString text) {
    bool wordStart = true;
    for (QChar& c : text) {
        if (wordStart && c.isLetter()) c = c.toUpper();
        wordStart = c.isSpace() || (wordStart && !c.isLetter());
    }
    return text;
}

QString wordForRecords(const QString& word) {
    if (allHeld(word)) return word;
    QString latin = toLatinLetters(word);
    if (!allHeld(latin)) latin = heldOnly(toAsciiLetters(latin));
    return hasCasedLetter(word) ? latin : capitalised(latin);
}

}  // namespace

QString nameForRecords(const QString& typed) {
    const QString name = typed.normalized(QString::NormalizationForm_C);
    QString written;
    qsizetype start = 0;
    while (start < name.size()) {
        qsizetype end = start;
        if (name[start].isSpace()) {
            // A blank Windows-1252 cannot hold (an ideographic space) is written as a blank.
            while (end < name.size() && name[end].isSpace()) ++end;
            for (QChar c : name.mid(start, end - start))
                written += heldInWindows1252(c.unicode()) ? c : QChar(u' ');
        } else {
            while (end < name.size() && !name[end].isSpace()) ++end;
            written += wordForRecords(name.mid(start, end - start));
        }
        start = end;
    }
    return written;
}

}  // namespace qatutor
