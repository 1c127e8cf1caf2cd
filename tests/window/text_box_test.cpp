// The text boxes' Windows-1252 boundary: every byte comes back as it went in, line breaks as
// CR LF; mathematical characters the record files cannot hold are spelled in plain text, and
// any other is refused with a notice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>

#include "typing.h"
#include "window/refusal_notice.h"
#include "window/text_box.h"
#include "window/text_conversion.h"
#include "window/tutor_text.h"

namespace qatutor::testing {
namespace {

TEST(TextBox, EveryByteFrom32To255AndTabSurvives) {
    TextBoxWidget box;
    std::string all = "\t";
    for (int b = 32; b < 256; ++b) all += static_cast<char>(b);
    box.setBytes(all);
    EXPECT_EQ(box.bytes(), all);
    const std::vector<std::string> texts = {"a\r\nb",
                                            "\r\n\r\nx",
                                            "end\r\n",
                                            "",
                                            " ",
                                            "no\xA0"
                                            "break",
                                            "\x80\x81\x8D\x8F\x90\x9D\xFF"};
    for (const std::string& text : texts) {
        box.setBytes(text);
        EXPECT_EQ(box.bytes(), text);
    }
}

TEST(TextBox, PastedAndTypedTextComesBackAsBytes) {
    TextBoxWidget box;
    box.show();
    QTest::keyClicks(&box, QStringLiteral("ab"));
    QTest::keyClick(&box, Qt::Key_Return);
    typeText(&box, QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));  // café €
    EXPECT_EQ(box.bytes(), "ab\r\ncaf\xE9 \x80");
}

void paste(TextBoxWidget& box, const QString& text) {
    auto* mime = new QMimeData;
    mime->setText(text);
    QApplication::clipboard()->setMimeData(mime);
    box.paste();  // the same path as drag and drop
}

TEST(TextBox, SpellsMathematicalCharactersInPlainTextTypedOrPasted) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"\u03C0\u22483.14 \u221A2", "pi~=3.14 sqrt2"},
        {"x \u2264 5 \u2265 y \u2260 z", "x <= 5 >= y != z"},
        {"\u22123 \u2192 \u221E", "-3 -> infinity"},
        {"\u03B1 \u03B2 \u03BC \u03C3 \u03C2 \u03C9", "alpha beta mu sigma sigma omega"},
        {"\u0394 \u03A3 \u03A9 \u03A0", "Delta Sigma Omega Pi"},
        {"caf\u00E9 \u20AC \u00B1 \u00D7 \u00F7 \u00B2 \u00B5",
         "caf\xE9 \x80 \xB1 \xD7 \xF7 \xB2 \xB5"},
    };
    for (const auto& [input, want] : cases) {
        for (bool typed : {true, false}) {
            TextBoxWidget box;
            box.show();
            box.setBytes("");
            if (typed)
                typeText(&box, QString::fromUtf8(input));
            else
                paste(box, QString::fromUtf8(input));
            EXPECT_EQ(box.bytes(), want) << input << (typed ? " typed" : " pasted");
            EXPECT_TRUE(box.notice()->isHidden()) << input;
        }
    }
}

TEST(TextBox, RefusesTheRestWithANoticeInSightAWhileAndUntilTheNextKeyPressOrClickAfter) {
    constexpr std::chrono::milliseconds inSight(300);
    RefusalNotice::setMinimumTimeInSight(inSight);
    TextBoxWidget box;
    box.resize(345, 217);  // the answer box's size
    box.show();
    paste(box, QString::fromUtf8("ab \u05E9 \u0436 \U0001F600."));  // shin, zhe, a face
    EXPECT_EQ(box.bytes(), "ab   .");
    RefusalNotice* notice = box.notice();
    ASSERT_TRUE(notice->isVisible());
    for (const char* code : {"U+05E9", "U+0436", "U+1F600"})
        EXPECT_TRUE(notice->text().contains(QLatin1String(code))) << code;
    EXPECT_EQ(box.lastRefusalNotice(), notice->text());
    // It wraps within the box and shows its whole text.
    EXPECT_TRUE(box.rect().contains(notice->geometry()));
    EXPECT_TRUE(notice->wordWrap());
    EXPECT_GE(notice->height(), notice->heightForWidth(notice->width()));

    // Typing on at once keeps it in sight, and a refusal meanwhile is added to it.
    QTest::keyClick(&box, Qt::Key_X);
    typeText(&box, QString::fromUtf8("\u05D0"));  // alef
    QApplication::processEvents();
    ASSERT_TRUE(notice->isVisible()) << "gone at once";
    for (const char* code : {"U+05E9", "U+1F600", "U+05D0"})
        EXPECT_TRUE(notice->text().contains(QLatin1String(code))) << code;

    QTest::qWait(static_cast<int>(inSight.count()) + 100);
    QApplication::processEvents();
    EXPECT_TRUE(notice->isVisible()) << "gone without a key press";
    QTest::keyClick(&box, Qt::Key_Y);
    QApplication::processEvents();
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(box.bytes(), "ab   .xy");

    // After that, a fresh notice; a click after its time takes it away too.
    typeText(&box, QString::fromUtf8("\u0436"));
    QApplication::processEvents();
    ASSERT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->text().contains(QLatin1String("U+05D0")));
    QTest::qWait(static_cast<int>(inSight.count()) + 100);
    QTest::mouseClick(box.viewport(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(notice->isHidden());
    EXPECT_EQ(box.bytes(), "ab   .xy");
    RefusalNotice::setMinimumTimeInSight({});
}

// Runs of plain characters of every length, line breaks close together and far apart, and the
// characters that need the table or are left out.
TEST(TextBox, DocumentTextBecomesBytesWhateverItsRunsAndLineBreaks) {
    auto repeated = [](const auto& piece, int times) {
        std::decay_t<decltype(piece)> all;
        for (int i = 0; i < times; ++i) all += piece;
        return all;
    };
    const struct {
        QString text;
        std::string document;  // as the answer box's text
        std::string entry;     // as a prompt's entry line
    } table[] = {
        {QStringLiteral("abcdefg\nhijk"), "abcdefg\r\nhijk", "abcdefg\nhijk"},
        {QString::fromUtf16(u"x\u2029y\u2028z"), "x\r\ny\r\nz", "xyz"},
        {QString(40, u'\n'), repeated(std::string("\r\n"), 40), std::string(40, '\n')},
        {repeated(QStringLiteral("line\n"), 1000), repeated(std::string("line\r\n"), 1000),
         repeated(std::string("line\n"), 1000)},
        {QString::fromUtf16(u"a\u20ACbcd\U0001F600efgh\u00A0\u00FF"),
         "a\x80"
         "bcdefgh\xA0\xFF",
         "a\x80"
         "bcdefgh\xA0\xFF"},
        {QChar(0xD800) + QStringLiteral("abcd"), "abcd", "abcd"},
        {QString::fromUtf16(u"abcdefg\u0081hijklmno\u0080pqrstuvw\u00E9\u00A0\u00FFxyz"),
         "abcdefg\x81hijklmnopqrstuvw\xE9\xA0\xFFxyz",
         "abcdefg\x81hijklmnopqrstuvw\xE9\xA0\xFFxyz"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(fromDocumentText(row.text), row.document) << row.text.left(20).toStdString();
        EXPECT_EQ(fromEntryText(row.text), row.entry) << row.text.left(20).toStdString();
    }
    // A line break at every place among eight characters, after runs of accented letters.
    QString lines;
    std::string document;
    for (int length = 0; length < 20; ++length) {
        lines += QString(length, QChar(0xE9)) + u'\n';
        document += std::string(static_cast<std::size_t>(length), '\xE9') + "\r\n";
    }
    EXPECT_EQ(fromDocumentText(lines), document);
}

// The box's raw text (line breaks as paragraph separators) against the tutor's bytes.
TEST(TextBox, TypedTextIsWhatTheBoxHoldsBeyondTheTutorsText) {
    const struct {
        const char16_t* box;
        const char* tutors;
        bool typed;
    } table[] = {
        {u"\u2029\u2029 \t", " ", false},  // blanks and line breaks added
        {u"Q1.\u2029\u2029Count  it.\u2029 ", "Q1.\r\nCount it.", false},
        {u"Q1.Count it.", "Q1.\r\nCount it.", false},  // the tutor's line break deleted
        {u"Q1. it.", "Q1. Count it.", false},          // a stretch of it deleted
        {u"Caf\u00E9 \u20AC", "Caf\xE9 \x80", false},  // Windows-1252 letters alike
        {u"x", "", true},
        {u"xQ1. Count it.", "Q1. Count it.", true},
        {u"Q1. Count it.\u2029 my 7*6*5\u2029A1.", "Q1. Count it.\r\nA1.", true},
        {u"Q1. it.x", "Q1. Count it.", true},     // a stretch replaced
        {u"Q. Count it", "Q1. Count it.", true},  // two stretches deleted
    };
    for (const auto& row : table) {
        const QString box = QString::fromUtf16(row.box);
        EXPECT_EQ(typedBeyond(box, row.tutors), row.typed) << box.toStdString();
    }
}

}  // namespace
}  // namespace qatutor::testing
