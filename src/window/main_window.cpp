#include "window/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QShortcut>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "display/display_commands.h"
#include "host/host.h"
#include "pictures/picture_commands.h"
#include "reader/reader.h"
#include "records/records.h"
#include "records/startup.h"
#include "window/captions.h"
#include "window/control_table.h"
#include "window/message_boxes.h"
#include "window/picture_box.h"
#include "window/qt_host.h"
#include "window/refusal_notice.h"
#include "window/screen_fit.h"
#include "window/text_box.h"
#include "window/text_conversion.h"
#include "window/tutor_text.h"
#include "window/wrapping_button.h"

namespace qatutor {
namespace {

QRect pixelsOf(const ControlPlace& place) {
    return {place.left / twipsPerPixel, place.top / twipsPerPixel, place.width / twipsPerPixel,
            place.height / twipsPerPixel};
}

QWidget* makeControl(const ControlPlace& place, QWidget* parent) {
    const QString caption = fromBytes(std::string(place.caption));
    switch (place.kind) {
    case ControlKind::multiLineTextBox: {
        auto* box = new TextBoxWidget(parent);
        box->setFont(boxFont());
        box->setBytes(std::string(place.caption));
        return box;
    }
    case ControlKind::textBox: {
        auto* box = new QLineEdit(caption, parent);
        box->setFrame(true);
        return box;
    }
    case ControlKind::commandButton: return new WrappingButton(caption, parent);
    case ControlKind::pictureBox: return new PictureBoxWidget(parent);
    case ControlKind::label: {
        auto* label = new QLabel(caption, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::listBox: return new QListWidget(parent);
    }
    return nullptr;
}

// A screen reader announces a control by its caption where it has one, and tells its purpose
// as the description; a caption the control cannot show whole is fitted or made a tooltip.
void describe(QWidget* control, const ControlPlace& place) {
    const QString purpose =
        QString::fromLatin1(place.purpose.data(), static_cast<qsizetype>(place.purpose.size()));
    const bool captioned =
        place.kind == ControlKind::commandButton || place.kind == ControlKind::label;
    const QString caption = fromBytes(std::string(place.caption));
    control->setAccessibleName(captioned ? caption : purpose);
    control->setAccessibleDescription(purpose);
    if (captioned) fitCaption(control, caption);
}

// The four parameter labels read alike: each at the size the narrowest of them needs.
void sizeParameterLabelsAlike(QWidget* window) {
    const QList<QLabel*> labels =
        window->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^lbl_parameter_")));
    double points = window->font().pointSizeF();
    for (const QLabel* label : labels) points = std::min(points, label->font().pointSizeF());
    for (QLabel* label : labels) {
        QFont font = label->font();
        font.setPointSizeF(points);
        label->setFont(font);
    }
}

}  // namespace

MainWindow::MainWindow(const std::string& homeFolder, const std::string& driveFolder,
                       QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    QFont windowFont = font();
    windowFont.setPointSizeF(8);
    setFont(windowFont);
    const QSize clientSize(clientWidthTwips / twipsPerPixel, clientHeightTwips / twipsPerPixel);
    resize(clientSize);
    // The controls stand on a surface of the client area's size, which scrolls in the window
    // where the screen cannot hold it whole.
    clientArea_ = new QWidget(this);
    clientArea_->setObjectName(QStringLiteral("clientArea"));
    clientArea_->setFixedSize(clientSize);
    new ScreenFit(this, clientArea_);

    buildControls();
    circleTimer_ = new QTimer(this);
    circleTimer_->setObjectName(QStringLiteral("tmr_pend_exp"));
    circleTimer_->setInterval(circleTimerMilliseconds);
    circleTimer_->setTimerType(Qt::PreciseTimer);

    host_ = std::make_unique<QtHost>(
        homeFolder, driveFolder,
        WindowParts{this, question_, answer_, picture1_, picture2_, circleTimer_});

    Host& host = *host_;
    Session& session = session_;
    wire("cmdNextQuestion", [this] { nextQuestion(); });
    wire("cmd_enter_response", [&] { record([&] { cmdEnterResponse(host, session); }); });
    wire("cmd_save_as_notes", [&] { record([&] { cmdSaveAsNotes(host, session); }); });
    wire("cmd_clear_answer_box", [&] { cmdClearAnswerBox(host); });
    wire("cmd_copy_picture", [&] { cmdCopyPicture(host); });
    wire("cmd_display_note_file", [&] {
        bool shown = false;
        showAppended([&] { shown = cmdDisplayNoteFile(host, session); });
        if (!shown)
            question_->notice()->tell(
                QStringLiteral("You have no notes yet. Save as Notes keeps what the answer box "
                               "holds as a note."));
    });
    wire("cmd_displayCumulativeText",
         [&] { showAppended([&] { cmdDisplayCumulativeText(host, session); }); });
    wire("cmd_next_picture", [&] {
        if (nextPictureEndsRun(session) && !mayLeave()) return;
        cmdNextPicture(host, session);
    });
    wire("cmd_pend_exp", [&] { cmdPendExp(host); });
    wire("cmd_quit", [&] {
        if (mayLeave()) cmdQuit(host);
    });
    // A click leaves the focus on its button, where Ctrl+Z would do nothing: there it undoes in
    // the answer box, which is what clear box and Next replace. A text box keeps its own Ctrl+Z.
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, [this] {
        answer_->setFocus();
        answer_->undo();
    });
    connect(circleTimer_, &QTimer::timeout, this, [this, &host] { run([&] { timerTick(host); }); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    QWidget* previous = nullptr;
    for (const ControlPlace& place : controlTable) {
        QWidget* control = makeControl(place, clientArea_);
        control->setObjectName(
            QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size())));
        control->setGeometry(pixelsOf(place));
        describe(control, place);
        if (place.kind == ControlKind::label) {
            control->setFocusPolicy(Qt::NoFocus);
        } else {
            if (previous) setTabOrder(previous, control);
            previous = control;
        }
    }
    sizeParameterLabelsAlike(this);
    question_ = findChild<TextBoxWidget*>(QStringLiteral("txt_question"));
    answer_ = findChild<TextBoxWidget*>(QStringLiteral("txt_answer"));
    picture1_ = findChild<PictureBoxWidget*>(QStringLiteral("Picture1"));
    picture2_ = findChild<PictureBoxWidget*>(QStringLiteral("Picture2"));
    answer_->setSelectsTutorText(true);
    question_->setFocus();
}

void MainWindow::wire(const char* buttonName, std::function<void()> command) {
    auto* button = findChild<QPushButton*>(QLatin1String(buttonName));
    connect(button, &QPushButton::clicked, this,
            [this, command = std::move(command)] { run(command); });
}

void MainWindow::run(const std::function<void()>& command) {
    if (ended_) return;
    // Nothing may cross Qt's event loop: every error ends the run here, in the same order.
    try {
        command();
    } catch (const ProgramEnded&) {
        endRun(0);
    } catch (const TutorError& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        fail(QStringLiteral("An unexpected error stopped the tutor (%1). Every response you "
                            "entered before it is in your record files.")
                 .arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        fail(
            QStringLiteral("An unexpected error stopped the tutor. Every response you entered "
                           "before it is in your record files."));
    }
}

void MainWindow::fail(const QString& message) {
    // What the student typed and did not get into every record file leaves the screen with the
    // window: it goes to the clipboard first, to be pasted elsewhere while the message is open.
    QStringList typed;
    if (answerBoxHoldsUnenteredText()) typed << toDisplayText(answer_->bytes());
    if (questionBoxHoldsTypedText()) typed << toDisplayText(question_->bytes());
    halt();  // nothing of the program runs while the message is shown
    if (typed.isEmpty()) {
        report(message);
    } else {
        QApplication::clipboard()->setText(typed.join(QStringLiteral("\n\n")));
        report(message + QStringLiteral("\n\nWhat you typed is on the clipboard: paste it into "
                                        "another program (an editor, an e-mail) before you "
                                        "click OK."));
    }
    endRun(1);
}

void MainWindow::report(const QString& message) {
    if (errorReporter_)
        errorReporter_(message);
    else
        showError(message, isVisible() ? this : nullptr);
}

bool MainWindow::answerBoxHoldsUnenteredText() const {
    // Unchanged since the tutor put its text there or a command read it to record: a long text
    // need not be read again to know that.
    if (!answer_->changedSinceTutorTextAlone() || answer_->changeCount() == changeCountRecorded_)
        return false;
    // Nothing beyond the tutor's text, nor beyond the instructions (back by undo, say). A typed
    // character ends the comparison where it stands, so a long typed text is not compared
    // through.
    const QString raw = answer_->document()->toRawText();
    if (!typedBeyond(raw, answer_->tutorText()) || !typedBeyond(raw, session_.answerPrompt))
        return false;
    // The response just recorded, back by undoing the emptying, is in the record files already.
    return answer_->document()->availableUndoSteps() != undoStepsRecorded_ ||
           raw != rawTextRecorded_;
}

bool MainWindow::questionBoxHoldsTypedText() const { return question_->holdsTypedText(); }

bool MainWindow::mayLeave(const QString& lead) {
    const bool answer = answerBoxHoldsUnenteredText();
    const bool question = questionBoxHoldsTypedText();
    if (!answer && !question) return true;
    QString message = answer && question
                          ? QStringLiteral(
                                "Your answer box holds text that you have not entered, "
                                "and your question box text that you typed. If you "
                                "leave now, neither is recorded.")
                      : answer ? QStringLiteral(
                                     "Your answer box holds text that you have not "
                                     "entered. If you leave now, it is not recorded.")
                               : QStringLiteral(
                                     "Your question box holds text that you typed. If "
                                     "you leave now, it is not recorded.");
    if (!lead.isEmpty()) message = lead + u' ' + message;
    return askLeaveWithoutRecording(message, this);
}

void MainWindow::nextQuestion() {
    if (nextClickEndsRun(session_) &&
        !mayLeave(QStringLiteral("This was the last answer of assignment %1.")
                      .arg(fromBytes(session_.assignmentNumber))))
        return;
    // Next puts the instructions back over an unanswered piece's answer box; typed work there is
    // taken back with Ctrl+Z, and the student is told so.
    const bool typedWorkReplaced = session_.resetAnswerBox && answerBoxHoldsUnenteredText();
    const unsigned long setBefore = answer_->changeCountAtLastSet();
    // The piece is added below what the box shows (a displayed file, say): it comes into view.
    showAppended([&] { cmdNextQuestion(*host_, session_); });
    if (typedWorkReplaced && answer_->changeCountAtLastSet() != setBefore)
        answer_->notice()->tell(
            QStringLiteral("Your unentered text was replaced by the instructions. Ctrl+Z brings "
                           "it back."));
}

void MainWindow::record(const std::function<void()>& command) {
    const bool questionBoxTyped = questionBoxHoldsTypedText();
    // The command reads the answer box once, through the host; what it read is kept from there.
    answer_->forgetLastRead();
    command();
    if (const auto changes = answer_->changeCountAtLastRead()) {
        rawTextRecorded_ = answer_->rawTextLastRead();
        changeCountRecorded_ = *changes;
        // The command emptied the box as one undo step after the text it recorded.
        undoStepsRecorded_ = answer_->document()->availableUndoSteps() - 1;
    }
    // The command emptied the question box too, as a step Ctrl+Z takes back where the student
    // had typed there, also after Next or a display command has added to the box (what they
    // added stays); the first time in a run, the student is told.
    if (questionBoxTyped && !questionBoxUndoTold_ && question_->document()->isEmpty()) {
        question_->notice()->tell(
            QStringLiteral("The record emptied this box, and what you typed in it is not "
                           "recorded. Click here and press Ctrl+Z to bring it back; what the "
                           "tutor shows here meanwhile stays."));
        questionBoxUndoTold_ = true;
    }
    // The next response is typed next: a second Return must neither record an empty response
    // nor begin the next one with a line break.
    answer_->setFocus();
    answer_->ignoreReturnUntilTyping();
}

void MainWindow::showAppended(const std::function<void()>& command) {
    const int shownBefore = question_->document()->characterCount() - 1;
    command();
    question_->showFrom(shownBefore);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!ended_) {
        if (!mayLeave()) {
            event->ignore();
            return;
        }
        halt();
        emit programEnded();
    }
    event->accept();
}

void MainWindow::halt() {
    ended_ = true;
    circleTimer_->stop();
    host_->closeAllFiles();
}

void MainWindow::endRun(int exitCode) {
    halt();
    exitCode_ = exitCode;
    close();
    emit programEnded();
    // Only a running event loop is told to stop: told before it runs, Qt would end the next
    // loop at once, a dialog's included.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(exitCode);
}

bool MainWindow::start(const std::vector<BankPiece>& bank) {
    // The two file headers are flushed side by side, and both are on stable storage before the
    // window is shown: a header that cannot get there ends start-up with its message, each file
    // holding its whole header or as it was.
    host_->channels().setFlushInBackground(true);
    run([&] {
        startUp(*host_, session_, bank);
        host_->channels().waitForFlushes();
    });
    host_->channels().setFlushInBackground(false);
    question_->setFocus();
    return !ended_;
}

}  // namespace qatutor
