// Typed work is never lost without a word: the tutor's replacements can be undone, and every way
// out of the run asks first when a box holds typed text beyond the tutor's own, and only then.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <cerrno>
#include <stdexcept>

#include "host/file_channels.h"
#include "host/host.h"
#include "records/record_layout.h"
#include "records/startup.h"
#include "support/fixture_bank.h"
#include "window/refusal_notice.h"
#include "window_fixture.h"

namespace qatutor::testing {
namespace {

class TypedWork : public WindowHarness {
public:
    void type(const QString& text) { typeInto(window.answerBox(), text); }
    void typeInto(TextBoxWidget* box, const QString& text) {
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, text);
    }
};

class TypedWorkTest : public ::testing::Test, public TypedWork {};

TEST_F(TypedWorkTest, WhatNextAndClearBoxReplaceComesBackWithUndoAndNextSaysSo) {
    struct Case {
        const char* how;
        std::function<void(TypedWork&)> replace;
        std::string replacedBy;
        bool byMenu;
    };
    const std::vector<Case> cases = {
        {"Next on an unanswered piece", [](TypedWork& t) { t.click("cmdNextQuestion"); },
         answerPromptText, false},
        {"clear box", [](TypedWork& t) { t.click("cmd_clear_answer_box"); }, "", false},
        {"clear box, undone from the box's menu",
         [](TypedWork& t) { t.click("cmd_clear_answer_box"); }, "", true},
    };
    start();
    click("cmdNextQuestion");  // a question, unanswered; Next before the last piece never asks
    for (const Case& c : cases) {
        type(QStringLiteral("half an answer"));
        const std::string typed = answer();
        c.replace(*this);
        EXPECT_EQ(answer(), c.replacedBy) << c.how;
        QApplication::processEvents();
        const RefusalNotice* notice = window.answerBox()->notice();
        EXPECT_EQ(notice->isVisible(), c.replacedBy == answerPromptText) << c.how;
        if (notice->isVisible()) {
            EXPECT_EQ(notice->text(), QStringLiteral("Your unentered text was replaced by the "
                                                     "instructions. Ctrl+Z brings it back."));
        }
        if (c.byMenu) {
            std::unique_ptr<QMenu> menu(window.answerBox()->createStandardContextMenu());
            QAction* undo = nullptr;
            for (QAction* action : menu->actions())
                if (action->text().remove(u'&').startsWith(QStringLiteral("Undo"))) undo = action;
            ASSERT_NE(undo, nullptr);
            ASSERT_TRUE(undo->isEnabled()) << c.how;
            undo->trigger();
        } else {
            QTest::keyClick(window.answerBox(), Qt::Key_Z, Qt::ControlModifier);
        }
        EXPECT_EQ(answer(), typed) << c.how;
        window.answerBox()->setBytes(" ");
    }
    click("cmdNextQuestion");  // over the tutor's own blank: nothing to tell
    QApplication::processEvents();
    EXPECT_EQ(answer(), answerPromptText);
    EXPECT_TRUE(window.answerBox()->notice()->isHidden());
}

TEST_F(TypedWorkTest, CtrlZWithTheFocusOnTheClickedButtonUndoesInTheAnswerBox) {
    start();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    click("cmdNextQuestion");
    for (const char* button : {"cmd_clear_answer_box", "cmdNextQuestion"}) {
        type(QStringLiteral("half an answer"));
        const std::string typed = answer();
        click(button);
        ASSERT_NE(answer(), typed) << button;
        auto* clicked = window.findChild<QPushButton*>(QLatin1String(button));
        clicked->setFocus();  // where a real click leaves it
        QTest::keyClick(clicked, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(answer(), typed) << button;
        EXPECT_TRUE(window.answerBox()->hasFocus()) << button;
    }
}

// The three ways out: closing the window, quit program, and Next at the next assignment.
struct Ending {
    const char* how;
    std::function<void(TypedWork&)> leave;
};
const std::vector<Ending> endings = {
    {"closing the window", [](TypedWork& t) { t.window.close(); }},
    {"quit program", [](TypedWork& t) { t.click("cmd_quit"); }},
    {"Next on the last piece", [](TypedWork& t) { t.click("cmdNextQuestion"); }},
};

// Stands on the last piece of assignment 004, whose next click reaches "005.".
void standOnTheLastPiece(TypedWork& t) {
    t.start({"A", "", "4"});
    t.click("cmdNextQuestion");
    t.click("cmdNextQuestion");
}

TEST_F(TypedWorkTest, StayingLeavesTheRunExactlyAsItWas) {
    for (const Ending& ending : endings) {
        TypedWork t;
        standOnTheLastPiece(t);
        t.type(QStringLiteral(" my answer"));
        const std::string typed = t.answer();
        const std::string shown = t.question();
        const int cursor = t.window.session().lineCursor;
        LeaveQuestionAnswerer stay(false);
        ending.leave(t);
        EXPECT_EQ(stay.asked, 1) << ending.how;
        EXPECT_FALSE(t.window.hasEnded()) << ending.how;
        EXPECT_TRUE(t.window.isVisible()) << ending.how;
        EXPECT_EQ(t.answer(), typed) << ending.how;
        EXPECT_EQ(t.question(), shown) << ending.how;
        EXPECT_EQ(t.window.session().lineCursor, cursor) << ending.how;
        EXPECT_TRUE(t.window.session().resetAnswerBox) << ending.how;
        EXPECT_TRUE(t.messages.empty()) << ending.how;
    }
}

TEST_F(TypedWorkTest, LeavingEndsTheRunAsBefore) {
    for (const Ending& ending : endings) {
        TypedWork t;
        standOnTheLastPiece(t);
        t.type(QStringLiteral(" my answer"));
        const std::string master = readFile(t.file("masterFile_A.txt"));
        LeaveQuestionAnswerer leave(true);
        ending.leave(t);
        EXPECT_EQ(leave.asked, 1) << ending.how;
        EXPECT_TRUE(t.window.hasEnded()) << ending.how;
        EXPECT_FALSE(t.window.isVisible()) << ending.how;
        EXPECT_EQ(t.window.exitCode(), 0) << ending.how;
        EXPECT_EQ(readFile(t.file("masterFile_A.txt")), master) << ending.how;
        EXPECT_EQ(t.messages.size(), std::string(ending.how) == "Next on the last piece" ? 1u : 0u);
    }
}

// next picture on an exit routine ends the run as Next does there, so it asks first too.
TEST_F(TypedWorkTest, NextPictureOnAnExitRoutineAsksFirst) {
    for (const bool leave : {false, true}) {
        TypedWork t;
        t.window.host().setPromptAnswerer([](const std::string& prompt) -> std::string {
            return prompt == namePrompt ? "A" : prompt == assignmentPrompt ? "1" : "";
        });
        ASSERT_TRUE(t.window.start(
            piecesOf({"001.  One", "`q001. Draw it.", "`routine exitprog", "002."})));
        t.window.show();
        t.click("cmdNextQuestion");
        t.type(QStringLiteral(" my answer"));
        LeaveQuestionAnswerer answerer(leave);
        t.click("cmd_next_picture");
        EXPECT_EQ(answerer.asked, 1) << "leave: " << leave;
        EXPECT_EQ(t.window.hasEnded(), leave);
    }
}

// The question's own box: Enter and Escape both stay, so a key pressed in haste never leaves.
TEST(LeaveQuestion, StayingIsTheDefaultAndTheEscape) {
    const std::unique_ptr<QMessageBox> box(makeLeaveQuestion(QStringLiteral("Leave?"), nullptr));
    ASSERT_NE(box->defaultButton(), nullptr);
    ASSERT_NE(box->escapeButton(), nullptr);
    EXPECT_EQ(box->defaultButton()->objectName(), QLatin1String(stayButtonName));
    EXPECT_EQ(box->escapeButton()->objectName(), QLatin1String(stayButtonName));
    EXPECT_NE(box->findChild<QPushButton*>(QLatin1String(leaveButtonName)), nullptr);
}

TEST_F(TypedWorkTest, WithNothingToLoseNothingIsAsked) {
    struct Box {
        const char* holds;
        std::function<void(TypedWork&)> fill;
    };
    const std::vector<Box> boxes = {
        {"the answer prompt", [](TypedWork&) {}},
        {"the one blank it starts with", [](TypedWork& t) { t.window.answerBox()->setBytes(" "); }},
        {"nothing", [](TypedWork& t) { t.click("cmd_clear_answer_box"); }},
        {"the tutor's text, typed into and taken back",
         [](TypedWork& t) {
             t.window.answerBox()->setBytes("as the tutor left it");
             t.type(QStringLiteral("xy"));
             QTest::keyClick(t.window.answerBox(), Qt::Key_Backspace);
             QTest::keyClick(t.window.answerBox(), Qt::Key_Backspace);
         }},
        {"a question box typed into and emptied before the tutor added to it",
         [](TypedWork& t) {
             t.typeInto(t.window.questionBox(), QStringLiteral("my working"));
             QTest::keyClick(t.window.questionBox(), Qt::Key_A, Qt::ControlModifier);
             QTest::keyClick(t.window.questionBox(), Qt::Key_Delete);
             t.window.questionBox()->setBytes("the next piece");
         }},
        {"a question box typed into and taken back with Backspace",
         [](TypedWork& t) {
             t.typeInto(t.window.questionBox(), QStringLiteral("x"));
             QTest::keyClick(t.window.questionBox(), Qt::Key_Backspace);
         }},
        {"line breaks and blanks added to the tutor's text in both boxes",
         [](TypedWork& t) {
             for (TextBoxWidget* box : {t.window.questionBox(), t.window.answerBox()}) {
                 t.typeInto(box, QStringLiteral(" "));
                 QTest::keyClick(box, Qt::Key_Return);
                 QTest::keyClick(box, Qt::Key_Return);
             }
         }},
        {"a response already recorded",
         [](TypedWork& t) {
             t.window.answerBox()->setFocus();
             QTest::keyClick(t.window.answerBox(), Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(t.window.answerBox(), QStringLiteral("Done, I agree."));
             t.click("cmd_enter_response");
             QTest::keyClick(t.window.answerBox(), Qt::Key_Z,
                             Qt::ControlModifier);  // back in the box
         }},
    };
    for (const Ending& ending : endings) {
        for (const Box& box : boxes) {
            TypedWork t;
            standOnTheLastPiece(t);
            box.fill(t);
            LeaveQuestionAnswerer stay(false);
            ending.leave(t);
            EXPECT_EQ(stay.asked, 0) << ending.how << " with " << box.holds;
            EXPECT_TRUE(t.window.hasEnded()) << ending.how << " with " << box.holds;
        }
    }
}

TEST_F(TypedWorkTest, TypedWorkInEitherBoxIsAskedAboutAndTheLastNextSaysTheAssignmentIsOver) {
    const QString answer = QStringLiteral(
        "Your answer box holds text that you have not entered. If you leave now, "
        "it is not recorded.");
    const QString question = QStringLiteral(
        "Your question box holds text that you typed. If you leave now, it is not recorded.");
    const QString both = QStringLiteral(
        "Your answer box holds text that you have not entered, and your question box text that "
        "you typed. If you leave now, neither is recorded.");
    struct Work {
        const char* what;
        std::function<void(TypedWork&)> beforeLastPiece, onLastPiece;
        QString said;
    };
    const auto intoQuestionBox = [](TypedWork& t) {
        t.typeInto(t.window.questionBox(), QStringLiteral(" my working"));
    };
    const auto none = [](TypedWork&) {};
    const std::vector<Work> works = {
        {"typed into the question box before the last piece was added", intoQuestionBox, none,
         question},
        {"the last response typed again after its record", none,
         [](TypedWork& t) {
             t.type(QStringLiteral("OK"));
             t.click("cmd_enter_response");
             t.type(QStringLiteral("OK"));
         },
         answer},
        {"typed into both boxes", intoQuestionBox,
         [](TypedWork& t) { t.type(QStringLiteral("an answer")); }, both},
    };
    for (const Ending& ending : endings) {
        for (const Work& work : works) {
            TypedWork t;
            t.start({"A", "", "4"});
            t.click("cmdNextQuestion");
            work.beforeLastPiece(t);
            t.click("cmdNextQuestion");
            work.onLastPiece(t);
            LeaveQuestionAnswerer stay(false);
            ending.leave(t);
            ASSERT_EQ(stay.asked, 1) << ending.how << " with " << work.what;
            const QString lead =
                std::string(ending.how) == "Next on the last piece"
                    ? QStringLiteral("This was the last answer of assignment 004. ")
                    : QString();
            EXPECT_EQ(stay.texts[0], lead + work.said) << ending.how << " with " << work.what;
            EXPECT_FALSE(t.window.hasEnded()) << ending.how << " with " << work.what;
        }
    }
}

// The rating dialog's Return, pressed again out of habit, finds the focus in the emptied answer
// box: it adds nothing there until another key or a click says the student is typing ("\r" is
// Return).
TEST_F(TypedWorkTest, AReturnRightAfterARecordAddsNothing) {
    const std::vector<std::tuple<bool, QString, std::string>> cases = {
        {false, QStringLiteral("\r\r"), ""},
        {false, QStringLiteral("\ra\rb"), "a\r\nb"},
        {true, QStringLiteral("\ra"), "\r\na"},  // after a click into the box
    };
    for (const auto& [click, keys, box] : cases) {
        TypedWork t;
        t.start({"Ann Lee", "", "2", "3"});
        t.click("cmdNextQuestion");
        t.type(QStringLiteral("Twelve"));
        t.click("cmd_enter_response");
        ASSERT_EQ(t.window.focusWidget(), t.window.answerBox());
        if (click) QTest::mouseClick(t.window.answerBox()->viewport(), Qt::LeftButton);
        QTest::keyClicks(t.window.answerBox(), keys);
        EXPECT_EQ(t.answer(), box) << keys.toStdString();
        EXPECT_EQ(t.prompts.size(), 4u) << "a second rating was asked";
    }
}

// Enter Response and Save as Notes empty the question box as they always did; what the student
// typed there comes back with one Ctrl+Z, in front of whatever the tutor added to the box since
// (and what the student typed there since), which stays; the first such record of the run says so.
TEST_F(TypedWorkTest, QuestionBoxTextARecordEmptiesIsOneCtrlZAwayAndTheTutorsLaterTextStays) {
    const auto click = [](const char* button) {
        return [button](TypedWork& t) { t.click(button); };
    };
    const auto undoAndRedo = [](TypedWork& t) {
        QTest::keyClick(t.window.questionBox(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(t.window.questionBox(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    };
    const auto typeMore = [](TypedWork& t) {
        t.typeInto(t.window.questionBox(), QStringLiteral("more\rlines"));
    };
    struct Case {
        const char* record;
        std::vector<std::function<void(TypedWork&)>> afterwards;
    };
    const std::vector<Case> cases = {
        {"cmd_enter_response", {}},
        {"cmd_save_as_notes", {click("cmdNextQuestion")}},
        {"cmd_enter_response", {click("cmdNextQuestion"), click("cmd_displayCumulativeText")}},
        {"cmd_save_as_notes", {click("cmd_display_note_file")}},
        {"cmd_enter_response", {typeMore, click("cmdNextQuestion")}},
        {"cmd_enter_response", {undoAndRedo, click("cmdNextQuestion")}},
    };
    for (const Case& c : cases) {
        TypedWork t;
        t.start({"Ann Lee", "", "2", "3"});
        TextBoxWidget* box = t.window.questionBox();
        t.click("cmdNextQuestion");
        t.typeInto(box, QStringLiteral(" my scratch 7*6*5"));
        const std::string scratch = t.question();
        t.type(QStringLiteral("OK"));
        t.click(c.record);
        QApplication::processEvents();
        EXPECT_EQ(t.question(), "") << c.record;
        const RefusalNotice* notice = box->notice();
        EXPECT_TRUE(notice->isVisible() && notice->text().startsWith(u"The record emptied"))
            << c.record;
        for (const auto& step : c.afterwards) step(t);
        const std::string later = t.question();
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(t.question(), scratch + later) << c.record << " then " << c.afterwards.size();
        // Told once in a run.
        t.typeInto(box, QStringLiteral(" again"));
        t.click(c.record);
        QApplication::processEvents();
        EXPECT_EQ(t.question(), "") << c.record;
        EXPECT_TRUE(notice->isHidden()) << c.record;
    }
}

TEST_F(TypedWorkTest, TheTutorsTextStandsSelectedSoTheFirstKeyPressReplacesIt) {
    struct Way {
        const char* into;
        std::function<void(TypedWork&)> enter;
    };
    const std::vector<Way> ways = {
        {"the focus", [](TypedWork& t) { t.window.answerBox()->setFocus(); }},
        {"a click into the middle of the text",
         [](TypedWork& t) {
             QTest::mouseClick(t.window.answerBox()->viewport(), Qt::LeftButton, {}, QPoint(40, 8));
         }},
    };
    for (const Way& way : ways) {
        for (const int nexts : {0, 2}) {  // the blank it starts with; the instructions
            TypedWork t;
            t.start();
            for (int i = 0; i < nexts; ++i) t.click("cmdNextQuestion");
            const std::string tutors = t.answer();
            way.enter(t);
            EXPECT_EQ(t.answer(), tutors) << way.into;
            QTest::keyClicks(t.window.answerBox(), QStringLiteral("xy"));
            EXPECT_EQ(t.answer(), "xy") << way.into << " after " << nexts << " clicks";
            // Once typed into, a click places the cursor as anywhere else.
            QTest::mouseClick(t.window.answerBox()->viewport(), Qt::LeftButton, {}, QPoint(1, 1));
            QTest::keyClicks(t.window.answerBox(), QStringLiteral("z"));
            EXPECT_EQ(t.answer(), "zxy") << way.into;
        }
    }
}

TEST_F(TypedWorkTest, AFullDiskSaysWhichFilesHoldTheResponseAndLeavesTheTypedTextOnTheClipboard) {
    start();
    click("cmdNextQuestion");
    type(QStringLiteral("my answer"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    window.host().channels().setFaultHook([](FileOperation operation, const std::string& path) {
        return operation == FileOperation::write && path.find("send_") != std::string::npos ? ENOSPC
                                                                                            : 0;
    });
    click("cmd_enter_response");
    const QString folder = QString::fromStdString(home.file("kavrodel") + TempFolder::separator);
    const QString send = QString::fromStdString(sendFile());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0],
              QStringLiteral("Could not write to ") + send +
                  QStringLiteral(": No space left on device\n\nThe response is in your master "
                                 "file ") +
                  folder + QStringLiteral("masterFile_Ann_Lee.txt, but not in your send file ") +
                  send +
                  QStringLiteral(". The tutor ends when you click OK; start it again to go on."
                                 "\n\nWhat you typed is on the clipboard: paste it into "
                                 "another program (an editor, an e-mail) before you click OK."));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral(" my answer"));
    EXPECT_EQ(window.exitCode(), 1);
}

TEST_F(TypedWorkTest, AnyErrorInACommandIsShownAndEndsTheRunInOrder) {
    std::vector<std::string> replies = {"Ann Lee", "", "2"};
    window.host().setPromptAnswerer([&](const std::string& prompt) -> std::string {
        if (prompt == std::string(confidencePrompt)) throw std::runtime_error("the dialog broke");
        const std::string reply = replies.front();
        replies.erase(replies.begin());
        return reply;
    });
    ASSERT_TRUE(window.start(piecesOf(fixtureBankLines())));
    window.show();
    click("cmdNextQuestion");
    const std::string master = readFile(file("masterFile_Ann_Lee.txt"));
    const std::string send = readFile(sendFile());
    window.answerBox()->setBytes("Twelve");
    click("cmd_enter_response");  // opens both files, then asks for the confidence rating
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("the dialog broke"))) << errors[0].toStdString();
    EXPECT_TRUE(window.hasEnded());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.exitCode(), 1);
    for (int channel = firstChannel; channel <= lastChannel; ++channel)
        EXPECT_FALSE(window.host().channels().isOpen(channel)) << channel;
    EXPECT_EQ(readFile(file("masterFile_Ann_Lee.txt")), master);
    EXPECT_EQ(readFile(sendFile()), send);
    window.run([] { throw std::logic_error("after the end"); });  // no command runs any more
    EXPECT_EQ(errors.size(), 1);
}

}  // namespace
}  // namespace qatutor::testing
