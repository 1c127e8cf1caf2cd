// The tutor's own message boxes: an error that ends the run, the end of an assignment, and the
// question asked before typed work would be lost.
#pragma once

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

namespace qatutor {

// `text` with a break opportunity after every folder separator and within every long run
// without one, so that a long path wraps inside a dialog instead of widening it past the screen.
QString wrappableText(const QString& text);

// The message box for an error that ends the run, as showError shows it; the caller owns it.
QMessageBox* makeErrorBox(const QString& message, QWidget* parent);
void showError(const QString& message, QWidget* parent);

// A message with one OK.
void showInformation(const QString& message, QWidget* parent);

// Asks whether to leave although a box holds text that was not entered; `message` says which
// and what leaving does. True to leave without recording it; false (the default, and Escape) to
// stay.
bool askLeaveWithoutRecording(const QString& message, QWidget* parent);
// For tests: while set, each leave-or-stay question passes its message to `answer` and takes its
// answer from it (true: leave) instead of being shown. Set before the command that asks; an
// empty function shows it again.
void setLeaveQuestionAnswerer(std::function<bool(const QString&)> answer);

// The question's box, as askLeaveWithoutRecording shows it; the caller owns it.
QMessageBox* makeLeaveQuestion(const QString& message, QWidget* parent);
inline constexpr const char* leaveButtonName = "leaveWithoutRecording";
inline constexpr const char* stayButtonName = "stay";

}  // namespace qatutor
