// What the student reads and reaches: every caption whole inside its control (at the scale the
// test runs at), tooltips where the layout cannot show one, captions in the accessible names,
// Return on buttons, the display commands' scrolling and messages that wrap long paths.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <set>

#include "window/captions.h"
#include "window/control_table.h"
#include "window/text_conversion.h"
#include "window_fixture.h"

namespace qatutor::testing {
namespace {

// The two controls too small for any readable caption, and the two the window's edge cuts off.
const std::set<std::string> tooSmall = {"lbl_paragraph_goback", "cmd_display_note_file"};
const std::set<std::string> cutByTheEdge = {"cmd_quit", "cmd_copy_picture"};

bool hasCaption(const ControlPlace& place) {
    return place.kind == ControlKind::commandButton || place.kind == ControlKind::label;
}

TEST_F(WindowTest, EveryCaptionIsReadableWholeInsideItsControl) {
    start();
    // The scale the test was started at (QT_SCALE_FACTOR) reaches the window.
    EXPECT_DOUBLE_EQ(window.devicePixelRatioF(),
                     qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    for (const ControlPlace& place : controlTable) {
        if (!hasCaption(place)) continue;
        const std::string name(place.name);
        QWidget* control = window.findChild<QWidget*>(QString::fromStdString(name));
        ASSERT_NE(control, nullptr) << name;
        const QString caption = fromBytes(std::string(place.caption));
        const CaptionArea area = captionArea(control);
        EXPECT_TRUE(control->rect().contains(area.rect)) << name;
        const QRect needed = control->fontMetrics().boundingRect(area.rect, area.flags, caption);
        if (tooSmall.count(name)) {
            EXPECT_FALSE(area.rect.contains(needed)) << name << " has become big enough";
        } else {
            EXPECT_TRUE(area.rect.contains(needed))
                << name << " needs " << needed.width() << "x" << needed.height() << " in "
                << area.rect.width() << "x" << area.rect.height();
            // Drawn smaller only where the window's own size does not fit.
            EXPECT_LE(control->font().pointSizeF(), window.font().pointSizeF()) << name;
            if (control->font().pointSizeF() < window.font().pointSizeF()) {
                QFont windowSize = control->font();
                windowSize.setPointSizeF(window.font().pointSizeF());
                EXPECT_FALSE(captionFits(windowSize, area, caption))
                    << name << " is shrunk needlessly";
            }
        }
    }
}

TEST_F(WindowTest, TheFourParameterLabelsReadAlike) {
    start();
    const double points =
        window.findChild<QLabel*>(QStringLiteral("lbl_parameter_0"))->font().pointSizeF();
    for (const char* name : {"lbl_parameter_1", "lbl_parameter_2", "lbl_parameter_3"})
        EXPECT_DOUBLE_EQ(window.findChild<QLabel*>(QLatin1String(name))->font().pointSizeF(),
                         points)
            << name;
}

TEST_F(WindowTest, CaptionsTheLayoutCannotShowWholeAreTooltips) {
    start();
    for (const ControlPlace& place : controlTable) {
        const std::string name(place.name);
        QWidget* control = window.findChild<QWidget*>(QString::fromStdString(name));
        const bool cannotShow = tooSmall.count(name) || cutByTheEdge.count(name);
        EXPECT_EQ(control->toolTip(),
                  cannotShow ? fromBytes(std::string(place.caption)) : QString())
            << name;
        if (hasCaption(place)) {
            EXPECT_EQ(cutByTheEdge.count(name) > 0,
                      !control->parentWidget()->rect().contains(control->geometry()))
                << name;
        }
    }
}

TEST_F(WindowTest, AccessibleNamesCarryTheCaptionAndDescriptionsThePurpose) {
    start();
    for (const ControlPlace& place : controlTable) {
        QWidget* control =
            window.findChild<QWidget*>(QString::fromLatin1(place.name.data(), place.name.size()));
        const QString purpose = QString::fromLatin1(place.purpose.data(), place.purpose.size());
        EXPECT_FALSE(control->accessibleName().isEmpty()) << place.name;
        if (hasCaption(place)) {
            EXPECT_TRUE(control->accessibleName().contains(fromBytes(std::string(place.caption))))
                << place.name;
        }
        EXPECT_EQ(control->accessibleDescription(), purpose) << place.name;
    }
    EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("cmdNextQuestion"))->accessibleName(),
              QStringLiteral("Next Question / Answer"));
}

TEST_F(WindowTest, ReturnLikeSpacePressesTheFocusedButton) {
    start();
    auto* clear = window.findChild<QPushButton*>(QStringLiteral("cmd_clear_answer_box"));
    // A held key auto-repeats: the button is pressed once, when the key is let go, so that a
    // dialog the press opens never takes the repeats.
    const auto autoRepeat = [&](QEvent::Type type, Qt::Key key) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(clear, &event);
    };
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        window.answerBox()->setBytes("typed");
        clear->setFocus();
        QTest::keyPress(clear, key);
        for (int repeat = 0; repeat < 3; ++repeat) {
            autoRepeat(QEvent::KeyRelease, key);
            autoRepeat(QEvent::KeyPress, key);
        }
        EXPECT_EQ(answer(), "typed") << key;
        window.answerBox()->setBytes("typed again");  // a change the press must not have undone
        QTest::keyRelease(clear, key);
        EXPECT_EQ(answer(), "") << key;
    }
    // Qt on Windows marks a Return press as a repeat when it missed the key's last release (a
    // dialog closed on the press): after a pause, such a press still presses the button. A repeat
    // right after Return went down elsewhere (held in a dialog that closed) does not.
    for (const bool pause : {true, false}) {
        window.answerBox()->setBytes("typed");
        clear->setFocus();
        if (pause) {
            QTest::qWait(1100);
        } else {
            QKeyEvent pressElsewhere(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(&window, &pressElsewhere);
        }
        autoRepeat(QEvent::KeyRelease, Qt::Key_Return);
        autoRepeat(QEvent::KeyPress, Qt::Key_Return);
        QTest::keyRelease(clear, Qt::Key_Return);
        EXPECT_EQ(answer(), pause ? "" : "typed") << (pause ? "after a pause" : "held");
    }
    // In the answer box Return is still a line break.
    window.answerBox()->setBytes("");
    window.answerBox()->setFocus();
    QTest::keyClicks(window.answerBox(), QStringLiteral("a"));
    QTest::keyClick(window.answerBox(), Qt::Key_Return);
    QTest::keyClicks(window.answerBox(), QStringLiteral("b"));
    EXPECT_EQ(answer(), "a\r\nb");
}

TEST_F(WindowTest, DisplayCommandsShowTheBoxFromWhatTheyAdded) {
    std::string longFile;
    for (int i = 0; i < 40; ++i)
        longFile += "sent " + std::to_string(i) + " with a few more words. \r\n";
    struct Case {
        const char* button;
        std::string fileText;
        std::string firstShown;  // the line that comes to the top of the view; empty: a short text
    };
    const std::vector<Case> cases = {
        {"cmd_display_note_file", longFile, "line 59sent 0 with"},
        {"cmd_displayCumulativeText", longFile, "sent 0"},
        {"cmd_display_note_file", "a short note\r\n", ""},
        {"cmd_displayCumulativeText", "one line\r\n", ""},
    };
    start();
    TextBoxWidget* box = window.questionBox();
    for (const Case& c : cases) {
        writeFile(file("notes_Ann_Lee.txt"), c.fileText);
        writeFile(sendFile(), c.fileText);
        std::string lines;
        for (int i = 0; i < 60; ++i)
            lines += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
        box->setBytes(lines);
        ASSERT_EQ(box->verticalScrollBar()->value(), 0);
        click(c.button);
        QApplication::processEvents();
        // The start of what was added is in view ...
        EXPECT_TRUE(box->viewport()->rect().contains(box->cursorRect())) << c.button;
        EXPECT_GT(box->verticalScrollBar()->value(), 0) << c.button;
        // ... and at the top when what was added fills the view.
        if (!c.firstShown.empty()) {
            const QTextBlock top = box->cursorForPosition(QPoint(1, 1)).block();
            EXPECT_TRUE(top.text().startsWith(QString::fromStdString(c.firstShown)))
                << c.button << ": " << top.text().toStdString();
        }
    }
}

TEST_F(WindowTest, NextShowsTheBoxFromThePieceItAdded) {
    start();
    TextBoxWidget* box = window.questionBox();
    std::string lines;  // what a display command left in the box, say
    for (int i = 0; i < 60; ++i)
        lines += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    box->setBytes(lines);
    click("cmdNextQuestion");
    QApplication::processEvents();
    ASSERT_GT(question().size(), lines.size());
    // The start of the piece (it follows the last line without a break) is in view.
    EXPECT_GT(box->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(box->viewport()->rect().contains(box->cursorRect()));
    EXPECT_EQ(box->textCursor().block().text().left(7), QStringLiteral("line 59"));
}

TEST(MessageBoxes, ALongPathWrapsInsideTheDialog) {
    const QString path = QStringLiteral("/home/ann/") +
                         QStringLiteral("a_very_long_folder_name/").repeated(4) +
                         QStringLiteral("masterFile_") +
                         QStringLiteral("AnnaMariaLeeSmith").repeated(12) + QStringLiteral(".txt");
    const std::unique_ptr<QMessageBox> box(makeErrorBox(
        QStringLiteral("Could not open the file ") + path + QStringLiteral(": No such file"),
        nullptr));
    box->show();
    QApplication::processEvents();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_LE(box->width(), box->screen()->availableGeometry().width());
    EXPECT_TRUE(box->rect().contains(label->geometry()));
    const QRect needed =
        label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.width(), label->contentsRect().width());
    EXPECT_LE(needed.height(), label->contentsRect().height());
    // Only break opportunities were added: the text reads the same.
    EXPECT_EQ(label->text().remove(QChar(0x200B)),
              QStringLiteral("Could not open the file ") + path + QStringLiteral(": No such file"));
}

}  // namespace
}  // namespace qatutor::testing
