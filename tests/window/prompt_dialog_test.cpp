// The prompt dialog, offscreen: OK and Enter return the typed text, Cancel and Escape the empty one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "typing.h"
#include "window/prompt_dialog.h"
#include "window/refusal_notice.h"
#include "window/text_box.h"

namespace qatutor::testing {
namespace {

// Answers the next prompt dialog that opens with `action` once it is shown.
void whenDialogOpens(const std::function<void(PromptDialog*)>& action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<PromptDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            whenDialogOpens(action);
            return;
        }
        action(dialog);
    });
}

TEST(PromptDialog, OkEnterCancelAndEscape) {
    struct Case {
        const char* how;
        std::function<void(PromptDialog*)> finish;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"OK",
         [](PromptDialog* d) {
             d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
         },
         "  Ann Lee "},
        {"Enter", [](PromptDialog* d) { QTest::keyClick(d->entry(), Qt::Key_Return); },
         "  Ann Lee "},
        {"Cancel",
         [](PromptDialog* d) {
             d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
         },
         ""},
        {"Escape", [](PromptDialog* d) { QTest::keyClick(d->entry(), Qt::Key_Escape); }, ""},
    };
    for (const Case& c : cases) {
        QString shownPrompt;
        whenDialogOpens([&](PromptDialog* dialog) {
            shownPrompt = dialog->findChild<QLabel*>(QStringLiteral("promptText"))->text();
            EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("promptText"))->wordWrap());
            EXPECT_TRUE(dialog->entry()->text().isEmpty()) << "no default text";
            QTest::keyClicks(dialog->entry(), QStringLiteral("  Ann Lee "));
            c.finish(dialog);
        });
        EXPECT_EQ(PromptDialog::ask("Your full name:  ", nullptr), c.expected) << c.how;
        EXPECT_EQ(shownPrompt, QStringLiteral("Your full name:  ")) << c.how;
    }
}

TEST(PromptDialog, SpellsOrRefusesCharactersTheRecordsCannotHold) {
    whenDialogOpens([](PromptDialog* dialog) {
        typeText(dialog->entry(), QString::fromUtf8("2\u03C0r"));  // 2, pi, r
        QApplication::processEvents();
        EXPECT_TRUE(dialog->notice()->isHidden());
        typeText(dialog->entry(), QString::fromUtf8(" \u0436"));
        QApplication::processEvents();
        ASSERT_TRUE(dialog->notice()->isVisible());
        EXPECT_TRUE(dialog->notice()->text().contains(QLatin1String("U+0436")));
        // The notice wraps within the dialog, which keeps its width.
        QApplication::processEvents();
        EXPECT_TRUE(dialog->rect().contains(dialog->notice()->geometry()));
        EXPECT_GE(dialog->notice()->height(),
                  dialog->notice()->heightForWidth(dialog->notice()->width()));
        EXPECT_LT(dialog->width(), 700);
        QTest::keyClick(dialog->entry(), Qt::Key_Return);
    });
    EXPECT_EQ(PromptDialog::ask("Assignment Number:  ", nullptr), "2pir ");
}

TEST(PromptDialog, ANoticeGoneGivesItsRoomBack) {
    whenDialogOpens([](PromptDialog* dialog) {
        QApplication::processEvents();
        const int height = dialog->height();
        typeText(dialog->entry(), QString::fromUtf8("\u0436\u05E9\u05D0\u0436\u05E9\u05D0"));
        QApplication::processEvents();
        ASSERT_TRUE(dialog->notice()->isVisible());
        EXPECT_GT(dialog->height(), height);
        QTest::keyClick(dialog->entry(), Qt::Key_A);  // the notice's time is none in these tests
        QApplication::processEvents();
        EXPECT_TRUE(dialog->notice()->isHidden());
        EXPECT_EQ(dialog->height(), height);
        QTest::keyClick(dialog->entry(), Qt::Key_Return);
    });
    EXPECT_EQ(PromptDialog::ask("Assignment Number:  ", nullptr), "a");
}

// The name is written into the record files' names only: the preview shows those names, with
// the blanks and the characters no file name may hold replaced by "_".
TEST(PromptDialog, ANameIsNoMathsAndTheFilesItNamesAreShown) {
    const struct {
        const char* typed;
        const char* inFileNames;
        std::string reply;
    } table[] = {
        {"\u039D\u03AF\u03BA\u03BF\u03C2 \u03C0 Dvo\u0159\u00E1k", "N\u00EDkos_p_Dvorak",
         "N\xEDkos p Dvorak"},
        {"Zo\u00EB Bront\u00EB", "Zo\u00EB_Bront\u00EB", "Zo\xEB Bront\xEB"},
        {"Ann/Lee: *", "Ann_Lee___", "Ann/Lee: *"},
    };
    for (const auto& row : table) {
        const QString typed = QString::fromUtf8(row.typed);
        whenDialogOpens([&](PromptDialog* dialog) {
            typeText(dialog->entry(), typed);
            QApplication::processEvents();
            EXPECT_EQ(dialog->entry()->text(), typed) << "neither spelled nor refused";
            EXPECT_TRUE(dialog->notice()->isHidden());
            const QString name = QString::fromUtf8(row.inFileNames);
            const QString today = QDate::currentDate().toString(QStringLiteral("MMdd"));
            EXPECT_EQ(dialog->namePreview()->text().remove(QChar(0x200B)),  // break chances
                      QStringLiteral("Your record files are named\nmasterFile_%1.txt\nsend_%2%1.txt"
                                     "\nnotes_%1.txt")
                          .arg(name, today));
            QTest::keyClick(dialog->entry(), Qt::Key_Return);
        });
        EXPECT_EQ(PromptDialog::askName("Your full name:  ", nullptr), row.reply) << row.typed;
    }
}

TEST(PromptDialog, AFolderIsKeptAsTypedWhileTheAnswerBoxStillSpells) {
    // A folder in Cyrillic letters, with a pi the answer box would spell.
    const QString typed = QString::fromUtf8(
        "/home/ann/\u0414\u043E\u043A\u0443\u043C\u0435\u043D\u0442\u044B \u03C0");
    whenDialogOpens([&](PromptDialog* dialog) {
        typeText(dialog->entry(), typed);
        QApplication::processEvents();
        EXPECT_EQ(dialog->entry()->text(), typed) << "neither spelled nor refused";
        EXPECT_TRUE(dialog->notice()->isHidden());
        QTest::keyClick(dialog->entry(), Qt::Key_Return);
    });
    EXPECT_EQ(PromptDialog::askFolder("Enter the path to the folder", nullptr),
              typed.toUtf8().toStdString());

    TextBoxWidget answer;
    answer.show();
    typeText(&answer, typed);
    EXPECT_EQ(answer.bytes(), "/home/ann/ pi");
    EXPECT_TRUE(answer.notice()->isVisible());
}

}  // namespace
}  // namespace qatutor::testing
