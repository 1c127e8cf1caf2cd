#include "window/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <ctime>

#include "host/clock_text.h"
#include "window/message_boxes.h"
#include "window/picture_box.h"
#include "window/prompt_dialog.h"
#include "window/text_box.h"

namespace qatutor {
namespace {

// The local time of `when`; localtime_r is POSIX's thread-safe form, localtime_s Windows'.
std::tm localTime(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return local;
}

std::tm localNow() { return localTime(std::time(nullptr)); }

}  // namespace

QtHost::QtHost(std::string homeFolder, std::string driveFolder, WindowParts parts)
    : LocalHost(std::move(homeFolder), std::move(driveFolder)), parts_(parts) {}

TextBoxWidget* QtHost::widget(TextBox box) const {
    return box == TextBox::question ? parts_.question : parts_.answer;
}

PictureBoxWidget* QtHost::widget(PictureBox box) const {
    return box == PictureBox::picture1 ? parts_.picture1 : parts_.picture2;
}

// Over the window once it is shown. The start-up prompts come before the window: a hidden parent
// would only make Qt prepare the window early, which costs the start-up milliseconds.
QWidget* QtHost::promptParent() const {
    return parts_.dialogParent->isVisible() ? parts_.dialogParent : nullptr;
}

std::string QtHost::prompt(const std::string& text) {
    if (promptAnswerer_) return promptAnswerer_(text);
    return PromptDialog::ask(text, promptParent());
}

std::string QtHost::promptName(const std::string& text) {
    if (promptAnswerer_) return promptAnswerer_(text);
    return PromptDialog::askName(text, promptParent());
}

std::string QtHost::promptFolder(const std::string& text) {
    return takeFolderReply(promptAnswerer_ ? promptAnswerer_(text)
                                           : PromptDialog::askFolder(text, promptParent()));
}

std::string QtHost::boxText(TextBox box) { return widget(box)->bytes(); }

void QtHost::setBoxText(TextBox box, const std::string& text) {
    // What the tutor puts into the answer box can be taken back with Ctrl+Z, so that text the
    // student typed there is never lost for good. The question box's texts (a whole send file,
    // perhaps) are set outright while nothing there is to be undone; a text that replaces typed
    // text is taken back with Ctrl+Z, and one added to the box keeps its undo steps.
    if (box == TextBox::answer)
        widget(box)->replaceBytes(text);
    else
        widget(box)->showTutorText(text);
}

std::string QtHost::dateText() { return qatutor::dateText(localNow()); }

std::string QtHost::timeText() { return qatutor::timeText(localNow()); }

float QtHost::secondsSinceMidnight() {
    // The wall clock to the microsecond: whole seconds from the local time, the rest from the
    // clock itself.
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const std::tm local = localTime(static_cast<std::time_t>(wholeSeconds.count()));
    const auto micros = duration_cast<microseconds>(sinceEpoch - wholeSeconds).count();
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) +
           static_cast<float>(micros) / 1e6f;
}

void QtHost::beep() { QApplication::beep(); }

void QtHost::setPictureScale(PictureBox box, double width, double height) {
    widget(box)->setScale(width, height);
}

void QtHost::drawCircle(PictureBox box, double centreX, double centreY, double radius) {
    widget(box)->drawCircle(centreX, centreY, radius);
}

void QtHost::copyPictureToClipboard(PictureBox box) {
    // A box without a picture of its own leaves the clipboard as it was.
    const QPixmap& picture = widget(box)->picture();
    if (!picture.isNull()) QApplication::clipboard()->setPixmap(picture);
}

void QtHost::pastePictureFromClipboard(PictureBox box) {
    widget(box)->setPicture(QApplication::clipboard()->pixmap());
}

void QtHost::enableTimer() {
    if (!parts_.circleTimer->isActive()) parts_.circleTimer->start();
}

void QtHost::showMessage(const std::string& text) {
    if (messageTaker_)
        messageTaker_(text);
    else
        showInformation(QString::fromUtf8(text), parts_.dialogParent);
}

void QtHost::endProgram() {
    closeAllFiles();
    throw ProgramEnded{};  // the window catches it and closes itself
}

}  // namespace qatutor
