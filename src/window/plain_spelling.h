// Characters that the record files cannot hold, at the moment they are typed or pasted.
//
// The record files are Windows-1252. The common mathematical characters outside it are spelled
// in plain text, the way the course writes them; any other is refused and named to the student.
//   spellForRecords("π≈3.14 √2") -> text "pi~=3.14 sqrt2", nothing refused
//   spellForRecords("x ש y")     -> text "x  y", refused "ש"
// Both text boxes and the prompt dialog use this, so the same input gives the same text anywhere.
#pragma once

#include <QString>
#include <string_view>

namespace qatutor {

// The plain spelling of a character that Windows-1252 cannot hold, or the empty view when it
// has none: plainSpelling(U'π') -> "pi", plainSpelling(U'Σ') -> "Sigma", plainSpelling(U'≤') -> "<=".
std::string_view plainSpelling(char32_t codePoint);

struct SpelledInput {
    QString text;     // what goes into the box: the input with every spelling applied
    QString refused;  // the characters left out, each once, in order
};

// One input (a key press, a paste, a committed composition, an entry line's text).
SpelledInput spellForRecords(const QString& input);

// The notice for refused characters, naming each with its code point:
//   refusalNotice("π") contains "\"π\" (U+03C0)"
QString refusalNotice(const QString& refused);

}  // namespace qatutor
