// What a screen reader and a keyboard user are given: the roles Qt cannot tell from a control's
// class, dialogs named by their question, notices announced, and a focus ring that can be seen.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace qatutor {

// Installs, once per application, the roles below and the focus ring style. Call it after the
// QApplication exists and before the first window is built.
//   the main window        -> a window (a frame to AT-SPI), not a plain container
//   a picture box          -> a picture
//   a notice (see announce) -> an alert, named by its text
void installAccessibility();

// A dialog that asks one question in `question`, answered in `entry`: the dialog is named by the
// question, and the question labels the entry (a screen reader reads it on entering the field).
void nameByQuestion(QWidget* dialog, QLabel* question, QWidget* entry);

// A message box is named by its message, as a dialog by its question.
void nameByMessage(QWidget* box, const QString& message);

// A notice that pops up in a window is exposed as an alert: showing it announces it. Call this
// when its text has changed, before showing it: a notice already in sight is announced anew.
void announce(QLabel* notice);

}  // namespace qatutor
