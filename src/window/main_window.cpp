#include "window/main_window.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include "bank/reader.h"
#include "host/host.h"
#include "records/display_commands.h"
#include "records/records.h"
#include "records/startup.h"
#include "window/control_table.h"
#include "window/picture_box.h"
#include "window/qt_host.h"
#include "window/text_box.h"
#include "window/text_conversion.h"
#include "window/wrapping_button.h"

namespace qatutor {
namespace {

QRect pixelsOf(const ControlPlace& place) {
    return {place.left / twipsPerPixel, place.top / twipsPerPixel, place.width / twipsPerPixel,
            place.height / twipsPerPixel};
}

// The face of the two big boxes: bold sans-serif at 9.75 point.
QFont boxFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Bold);
    return font;
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
        // Only a label with room for two lines wraps; a one-line label is cut off at its edge.
        label->setWordWrap(place.height / twipsPerPixel >= 2 * label->fontMetrics().height());
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::listBox: return new QListWidget(parent);
    }
    return nullptr;
}

}  // namespace

MainWindow::MainWindow(const std::string& homeFolder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    QFont windowFont = font();
    windowFont.setPointSizeF(8);
    setFont(windowFont);
    resize(clientWidthTwips / twipsPerPixel, clientHeightTwips / twipsPerPixel);

    buildControls();
    circleTimer_ = new QTimer(this);
    circleTimer_->setObjectName(QStringLiteral("tmr_pend_exp"));
    circleTimer_->setInterval(circleTimerMilliseconds);
    circleTimer_->setTimerType(Qt::PreciseTimer);

    host_ = std::make_unique<QtHost>(
        homeFolder, WindowParts{this, question_, answer_, picture1_, picture2_, circleTimer_});

    Host& host = *host_;
    Session& session = session_;
    wire("cmdNextQuestion", [&] { cmdNextQuestion(host, session); });
    wire("cmd_enter_response", [&] { cmdEnterResponse(host, session); });
    wire("cmd_save_as_notes", [&] { cmdSaveAsNotes(host, session); });
    wire("cmd_clear_answer_box", [&] { cmdClearAnswerBox(host); });
    wire("cmd_copy_picture", [&] { cmdCopyPicture(host); });
    wire("cmd_display_note_file", [&] { cmdDisplayNoteFile(host, session); });
    wire("cmd_displayCumulativeText", [&] { cmdDisplayCumulativeText(host, session); });
    wire("cmd_next_picture", [&] { cmdNextPicture(host, session); });
    wire("cmd_pend_exp", [&] { cmdPendExp(host); });
    wire("cmd_quit", [&] { cmdQuit(host); });
    connect(circleTimer_, &QTimer::timeout, this, [this, &host] { run([&] { timerTick(host); }); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    QWidget* previous = nullptr;
    for (const ControlPlace& place : controlTable) {
        QWidget* control = makeControl(place, this);
        control->setObjectName(QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size())));
        control->setAccessibleName(QString::fromLatin1(place.purpose.data(), static_cast<qsizetype>(place.purpose.size())));
        control->setGeometry(pixelsOf(place));
        if (place.kind == ControlKind::label) {
            control->setFocusPolicy(Qt::NoFocus);
        } else {
            if (previous) setTabOrder(previous, control);
            previous = control;
        }
    }
    question_ = findChild<TextBoxWidget*>(QStringLiteral("txt_question"));
    answer_ = findChild<TextBoxWidget*>(QStringLiteral("txt_answer"));
    picture1_ = findChild<PictureBoxWidget*>(QStringLiteral("Picture1"));
    picture2_ = findChild<PictureBoxWidget*>(QStringLiteral("Picture2"));
    question_->setFocus();
}

void MainWindow::wire(const char* buttonName, std::function<void()> command) {
    auto* button = findChild<QPushButton*>(QLatin1String(buttonName));
    connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] { run(command); });
}

void MainWindow::run(const std::function<void()>& command) {
    if (ended_) return;
    try {
        host_->channels().waitForFlushes();   // the start-up's records are on stable storage first
        command();
    } catch (const ProgramEnded&) {
        endRun(0);
    } catch (const HostError& error) {
        halt();   // nothing of the program runs while the message is shown
        const QString message = QString::fromUtf8(error.what());
        if (errorReporter_)
            errorReporter_(message);
        else
            QMessageBox::critical(isVisible() ? this : nullptr, QStringLiteral("qatutor"), message);
        endRun(1);
    }
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
    // The file header's flush goes on while the window is shown; every command waits for it.
    host_->channels().setFlushInBackground(true);
    run([&] { startUp(*host_, session_, bank); });
    host_->channels().setFlushInBackground(false);
    question_->setFocus();
    return !ended_;
}

}  // namespace qatutor
