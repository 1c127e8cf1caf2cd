#include "window/text_conversion.h"

#include <QList>

#include "base/cp1252.h"

namespace qatutor {
namespace {

std::string toBytes(const QString& text, bool lineBreaks) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const auto codePoints = text.toUcs4();
    for (char32_t c : codePoints) {
        if (lineBreaks && (c == 0x2029 || c == 0x2028 || c == U'\n')) {
            bytes += "\r\n";
        } else if (const auto byte = cp1252::fromCodePoint(c)) {
            bytes += static_cast<char>(*byte);
        }
    }
    return bytes;
}

}  // namespace

QString fromBytes(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char b : bytes) text += QChar(static_cast<char16_t>(cp1252::toCodePoint(static_cast<unsigned char>(b))));
    return text;
}

QString toDisplayText(const std::string& bytes) {
    // Written straight into a buffer of the final size at most: a send file can be megabytes.
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            *out++ = u'\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            *out++ = static_cast<char16_t>(b < 0x80 ? b : cp1252::toCodePoint(b));
        }
    }
    text.truncate(out - start);
    return text;
}

std::string fromDocumentText(const QString& raw) { return toBytes(raw, true); }

std::string fromEntryText(const QString& text) { return toBytes(text, false); }

}  // namespace qatutor
