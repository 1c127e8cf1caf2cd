// A student's name as the record files hold it.
//
// The files are Windows-1252, and a name is no maths: it keeps every letter Windows-1252 holds,
// and a word with letters it does not hold is written in Latin letters. A word whose Latin form
// still has letters outside Windows-1252 is written in plain ASCII letters whole, the way its
// writers spell it without accents; a word from a script without capitals gets one.
//   nameForRecords("Νίκος Dvořák") -> "Níkos Dvorak"
//   nameForRecords("Łukasz 李")    -> "Lukasz Li"
//   nameForRecords("Zoë Brontë")   -> "Zoë Brontë"
#pragma once

#include <QString>

namespace qatutor {

QString nameForRecords(const QString& typed);

}  // namespace qatutor
