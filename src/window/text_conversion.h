// The boundary between the tutor's Windows-1252 byte texts and Qt's Unicode strings.
#pragma once

#include <QString>
#include <string>

namespace qatutor {

// Bytes to Unicode; every CR LF (and a lone CR or LF) becomes a line break "\n".
QString toDisplayText(const std::string& bytes);

// A text box's raw document text to bytes: paragraph and line separators become CR LF, a
// no-break space stays byte 0xA0. Characters Windows-1252 cannot hold are left out (the boxes
// spell or refuse them at input, so none are expected).
std::string fromDocumentText(const QString& raw);

// A single-line entry's text to bytes.
std::string fromEntryText(const QString& text);

// Bytes to plain Unicode, one character each, for texts without line structure.
QString fromBytes(const std::string& bytes);

}  // namespace qatutor
