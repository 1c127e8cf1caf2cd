// The transliterator for names, ICU's on every system (latin_letters_icu.cpp).
#pragma once

#include <QString>

namespace qatutor {

// Any script in Latin letters, accents kept:  toLatinLetters("Νίκος") -> "Níkos",
// toLatinLetters("李") -> "lǐ". Latin letters stay as they are.
QString toLatinLetters(const QString& text);

// Latin letters without what ASCII cannot show:  toAsciiLetters("Dvořák") -> "Dvorak",
// toAsciiLetters("Łukasz") -> "Lukasz". A character it has no spelling for stays.
QString toAsciiLetters(const QString& text);

}  // namespace qatutor
