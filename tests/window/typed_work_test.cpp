// Typed work in the answer box is never lost without a word: the tutor's replacements can be
// undone, and every way out of the run asks first when there is typed, unentered text.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <stdexcept>

#include "host/host.h"
#include "records/record_layout.h"
#include "records/startup.h"
#include "support/fixture_bank.h"
#include "window_fixture.h"

namespace qatutor::testing {
namespace {

class TypedWork : public WindowHarness {
public:
    void type(const QString& text) {
        window.answerBox()->setFocus();
        window.answerBox()->moveCursor(QTextCursor::End);
        QTest::keyClicks(window.answerBox(), text);
    }
};

class TypedWorkTest : public ::testing::Test, public TypedWork {};

TEST_F(TypedWorkTest, WhatNextAndClearBoxReplaceComesBackWithUndo) {
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
    const std::unique_ptr<QMessageBox> box(makeLeaveQuestion(nullptr));
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
