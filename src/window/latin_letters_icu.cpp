// The transliterator on every system: ICU's (on Linux the one Qt's own text handling already
// loads; on Windows built in, from the same version).
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <map>
#include <memory>
#include <string>

#include "window/latin_letters.h"

namespace qatutor {
namespace {

// One transliterator per transform for the whole run: making one reads ICU's rules.
QString transliterated(const char* transform, const QString& text) {
    static std::map<std::string, std::unique_ptr<icu::Transliterator>> made;
    std::unique_ptr<icu::Transliterator>& transliterator = made[transform];
    if (!transliterator) {
        UErrorCode status = U_ZERO_ERROR;
        transliterator.reset(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8(transform), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) transliterator.reset();
        if (!transliterator) return text;  // ICU without its data: the text as it is
    }
    icu::UnicodeString unicode(reinterpret_cast<const UChar*>(text.utf16()),
                               static_cast<int32_t>(text.size()));
    transliterator->transliterate(unicode);
    return QString(reinterpret_cast<const QChar*>(unicode.getBuffer()), unicode.length());
}

}  // namespace

QString toLatinLetters(const QString& text) { return transliterated("Any-Latin; NFC", text); }

QString toAsciiLetters(const QString& text) { return transliterated("Latin-ASCII", text); }

}  // namespace qatutor
