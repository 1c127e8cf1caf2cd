// A student's name in the letters the record files hold: transliterated word by word, every
// name Windows-1252 holds kept byte for byte.
#include <gtest/gtest.h>

#include "window/name_spelling.h"
#include "window/text_conversion.h"

namespace qatutor::testing {
namespace {

TEST(NameSpelling, LettersOutsideWindows1252BecomeLatinLettersItHolds) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"Νίκος Dvořák", "Níkos Dvorak"},                  // Greek keeps í; Czech ASCII whole
        {"Łukasz 李", "Lukasz Li"},                        // Polish; Chinese gets its capital
        {"Lech Wałęsa", "Lech Walesa"},                    //
        {"Дмитрий Щукин", "Dmitrij Sukin"},                // Cyrillic
        {"Nguyễn Thị Minh Khai", "Nguyen Thi Minh Khai"},  // Vietnamese, word by word
        {"王芳", "Wang Fang"},                             // one word, two syllables
        {"محمد علي", "Mhmd Ly"},                           // Arabic, unvowelled as written
        {"Zoë 李", "Zoë Li"},                              // a mix keeps each word's own
        {"Rene\u0301e Šimek", "Renée Šimek"},              // combining accent: held once composed
        {"Ann\u3000Lee", "Ann Lee"},                       // an ideographic space is a blank
        {"Jo \U0001F600", "Jo "},                          // no letter at all: nothing to write
    };
    for (const auto& [typed, written] : cases)
        EXPECT_EQ(nameForRecords(QString::fromUtf8(typed)).toStdString(), written) << typed;

    // Names Windows-1252 holds stay exactly as typed.
    for (const char* name : {"", "Ann Lee", "  Ann   Lee ", "Zoë Brontë",
                             "José Müller-Lüdenscheidt", "Œdipe d'Aubigné", "Šárka Žáková",
                             "O'Brien", "ann lee", "van der Berg", "McDonald", "Ann\u00A0Lee"}) {
        const QString typed = QString::fromUtf8(name);
        EXPECT_EQ(fromEntryText(nameForRecords(typed)), fromEntryText(typed)) << name;
    }
}

}  // namespace
}  // namespace qatutor::testing
