// The tutor's one window, "Form1": its controls at their fixed places, each wired button running
// its command of the core, and the Qt host those commands reach the desktop through.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bank/bank_table.h"
#include "session/session.h"

class QTimer;

namespace qatutor {

class PictureBoxWidget;
class QtHost;
class TextBoxWidget;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `homeFolder` is the user's home folder, where a relative folder lies; the drive c: stands
    // for `driveFolder` when one is given (tests), else as LocalHost says.
    explicit MainWindow(const std::string& homeFolder, const std::string& driveFolder = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up of the run: the prompts, the record files, the bank. False when the run ended
    // there (the reason has been shown to the student).
    bool start(const std::vector<BankPiece>& bank);

    bool hasEnded() const { return ended_; }
    int exitCode() const { return exitCode_; }
    Session& session() { return session_; }
    QtHost& host() { return *host_; }
    TextBoxWidget* questionBox() const { return question_; }
    TextBoxWidget* answerBox() const { return answer_; }
    PictureBoxWidget* picture1() const { return picture1_; }
    PictureBoxWidget* picture2() const { return picture2_; }
    QTimer* circleTimer() const { return circleTimer_; }

    // For tests: where errors that end the run are reported (a message box by default).
    void setErrorReporter(std::function<void(const QString&)> reporter) {
        errorReporter_ = std::move(reporter);
    }

    // Whether the answer box holds text the student typed and did not enter: more than the
    // tutor's text and more than the answer prompt, blanks and line breaks aside (the box's
    // starting blank and an emptied box hold nothing), and not the response last recorded
    // brought back by undo. The same text typed again after the record is a new response, and
    // counts.
    bool answerBoxHoldsUnenteredText() const;
    // Whether the question box holds more than the tutor's text, blanks and line breaks aside.
    bool questionBoxHoldsTypedText() const;

    // Runs one command as a click does: ends the program when the command ends it, and when any
    // error escapes it, after showing the error.
    void run(const std::function<void()>& command);

signals:
    void programEnded();

protected:
    // Closing the window ends the run; with typed work in the answer box the student is asked
    // first, and may stay.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void wire(const char* buttonName, std::function<void()> command);
    // True when leaving is fine: nothing typed would be lost, or the student chose to leave.
    // `lead` opens the question when there is one to ask.
    bool mayLeave(const QString& lead = {});
    // Next, and the notice when it replaced typed work with the instructions.
    void nextQuestion();
    // Runs a recording command; what it read from the answer box counts as recorded after it.
    // Typed text the command empties from the question box is one Ctrl+Z away there, whatever
    // the tutor adds to the box afterwards, which a notice tells the first time.
    void record(const std::function<void()>& command);
    // Runs a command that appends to the question box, then shows the box from what it added.
    void showAppended(const std::function<void()>& command);
    void fail(const QString& message);
    void report(const QString& message);
    // Stops every command, the timer and the file channels; no handler runs afterwards.
    void halt();
    void endRun(int exitCode);

    Session session_;
    std::unique_ptr<QtHost> host_;
    QWidget* clientArea_ = nullptr;
    TextBoxWidget* question_ = nullptr;
    TextBoxWidget* answer_ = nullptr;
    PictureBoxWidget* picture1_ = nullptr;
    PictureBoxWidget* picture2_ = nullptr;
    QTimer* circleTimer_ = nullptr;
    bool ended_ = false;
    int exitCode_ = 0;
    // The answer box's text as the last recording command read it, its change count then, and
    // the box's undo steps when undo has brought that text back after the record emptied it.
    QString rawTextRecorded_;
    std::optional<unsigned long> changeCountRecorded_;
    int undoStepsRecorded_ = -1;
    bool questionBoxUndoTold_ = false;
    std::function<void(const QString&)> errorReporter_;
};

}  // namespace qatutor
