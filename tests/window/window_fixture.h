// The main window on the fixture bank, offscreen, through the real Qt host on a temporary home
// folder: prompts answered by a script, messages and errors collected instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/fixture_bank.h"
#include "support/temp_folder.h"
#include "window/main_window.h"
#include "window/message_boxes.h"
#include "window/qt_host.h"
#include "window/text_box.h"

namespace qatutor::testing {

// One window and its home folder; a table-driven test may run several of its own.
class WindowHarness {
public:
    // The drive c: is the temporary home folder on every system, so that no test touches the
    // real c:\kavrodel on Windows.
    WindowHarness() : window(home.path(), home.path()) {
        window.setErrorReporter([this](const QString& message) { errors << message; });
        window.host().setMessageTaker(
            [this](const std::string& message) { messages.push_back(message); });
    }
    void start(std::vector<std::string> replies = {"Ann Lee", "", "2"}) {
        window.host().setPromptAnswerer([this, replies](const std::string& prompt) {
            prompts.push_back(prompt);
            return replies[std::min(prompts.size(), replies.size()) - 1];
        });
        ASSERT_TRUE(window.start(piecesOf(fixtureBankLines())));
        window.show();
    }
    void click(const char* name) {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    std::string question() const { return window.questionBox()->bytes(); }
    std::string answer() const { return window.answerBox()->bytes(); }
    std::string file(const std::string& name) const { return home.file("kavrodel/" + name); }
    // The send file is named after today's date.
    std::string sendFile() { return window.host().realPath(window.session().sendFilePath); }

    TempFolder home;
    MainWindow window;
    std::vector<std::string> prompts;
    QStringList errors;
    std::vector<std::string> messages;
};

class WindowTest : public ::testing::Test, public WindowHarness {};

// Answers every leave-or-stay question asked while it lives, and counts them.
class LeaveQuestionAnswerer {
public:
    explicit LeaveQuestionAnswerer(bool leave) {
        setLeaveQuestionAnswerer([this, leave](const QString& message) {
            ++asked;
            texts << message;
            return leave;
        });
    }
    ~LeaveQuestionAnswerer() { setLeaveQuestionAnswerer(nullptr); }
    LeaveQuestionAnswerer(const LeaveQuestionAnswerer&) = delete;
    LeaveQuestionAnswerer& operator=(const LeaveQuestionAnswerer&) = delete;
    int asked = 0;
    QStringList texts;  // the questions asked
};

}  // namespace qatutor::testing
