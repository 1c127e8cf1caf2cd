// The text boxes' Windows-1252 boundary: every byte comes back as it went in, line breaks as
// CR LF, and characters the record files cannot hold are refused with a notice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include "typing.h"
#include "window/text_box.h"
#include "window/text_conversion.h"

namespace qatutor::testing {
namespace {

TEST(TextBox, EveryByteFrom32To255AndTabSurvives) {
    TextBoxWidget box;
    std::string all = "\t";
    for (int b = 32; b < 256; ++b) all += static_cast<char>(b);
    box.setBytes(all);
    EXPECT_EQ(box.bytes(), all);
    const std::vector<std::string> texts = {"a\r\nb", "\r\n\r\nx", "end\r\n", "", " ",
                                            "no\xA0" "break", "\x80\x81\x8D\x8F\x90\x9D\xFF"};
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
    typeText(&box, QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));   // café €
    EXPECT_EQ(box.bytes(), "ab\r\ncaf\xE9 \x80");
}

TEST(TextBox, RefusesCharactersOutsideWindows1252WithANotice) {
    TextBoxWidget box;
    box.show();
    QString notice;
    QObject::connect(&box, &TextBoxWidget::charactersRefused, [&](const QString& n) { notice = n; });
    typeText(&box, QString::fromUtf8("r = \xCF\x80"));   // r = pi
    EXPECT_EQ(box.bytes(), "r = ");
    EXPECT_TRUE(notice.contains(QStringLiteral("U+03C0"))) << notice.toStdString();

    // Paste through the same path the clipboard and drag and drop use.
    notice.clear();
    box.setBytes("");
    auto* mime = new QMimeData;
    mime->setText(QString::fromUtf8("x\xE2\x88\x9A" "2 and \xCF\x80\ttab"));   // x, root, 2 and pi, tab
    QApplication::clipboard()->setMimeData(mime);
    box.paste();
    EXPECT_EQ(box.bytes(), "x2 and \ttab");
    EXPECT_TRUE(notice.contains(QStringLiteral("U+221A")));
    EXPECT_TRUE(notice.contains(QStringLiteral("U+03C0")));
    EXPECT_EQ(box.lastRefusalNotice(), notice);
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
        std::string document;   // as the answer box's text
        std::string entry;      // as a prompt's entry line
    } table[] = {
        {QStringLiteral("abcdefg\nhijk"), "abcdefg\r\nhijk", "abcdefg\nhijk"},
        {QString::fromUtf16(u"x\u2029y\u2028z"), "x\r\ny\r\nz", "xyz"},
        {QString(40, u'\n'), repeated(std::string("\r\n"), 40), std::string(40, '\n')},
        {repeated(QStringLiteral("line\n"), 1000), repeated(std::string("line\r\n"), 1000),
         repeated(std::string("line\n"), 1000)},
        {QString::fromUtf16(u"a\u20ACbcd\U0001F600efgh\u00A0\u00FF"), "a\x80" "bcdefgh\xA0\xFF",
         "a\x80" "bcdefgh\xA0\xFF"},
        {QChar(0xD800) + QStringLiteral("abcd"), "abcd", "abcd"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(fromDocumentText(row.text), row.document) << row.text.left(20).toStdString();
        EXPECT_EQ(fromEntryText(row.text), row.entry) << row.text.left(20).toStdString();
    }
}

}  // namespace
}  // namespace qatutor::testing
