// The prompt dialog: one prompt text (wrapped), one entry line, OK and Cancel. Enter is OK,
// Escape is Cancel. Characters that Windows-1252 cannot hold are spelled or refused as in the
// text boxes, with the notice under the entry line.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;

namespace qatutor {

class RefusalNotice;

class PromptDialog : public QDialog {
    Q_OBJECT
public:
    explicit PromptDialog(const QString& prompt, QWidget* parent = nullptr);

    QLineEdit* entry() const { return entry_; }
    RefusalNotice* notice() const { return notice_; }

    // Shows the dialog modally; the typed text, or the empty text on Cancel.
    static std::string ask(const std::string& prompt, QWidget* parent);

private:
    QLabel* label_;
    QLineEdit* entry_;
    RefusalNotice* notice_;
};

}  // namespace qatutor
