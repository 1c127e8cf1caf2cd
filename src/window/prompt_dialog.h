// The prompt dialog: one prompt text (wrapped), one entry line, OK and Cancel. Enter is OK,
// Escape is Cancel. Characters that Windows-1252 cannot hold are spelled or refused as in the
// text boxes, with the notice under the entry line. A name is no maths: asked for a name, the
// dialog takes any letters and shows under the entry, as it is typed, the names of the record
// files the name gives, in the Latin letters they are written in. Neither is a folder, which never
// goes into a record: asked for a folder, the dialog takes any letters and gives the folder back
// as typed, in UTF-8.
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
    enum class Reply { text, name, folder };

    explicit PromptDialog(const QString& prompt, QWidget* parent = nullptr,
                          Reply reply = Reply::text);

    QLineEdit* entry() const { return entry_; }
    RefusalNotice* notice() const { return notice_; }
    // The line under the entry that shows the record files' names (names only).
    QLabel* namePreview() const { return namePreview_; }
    // The reply as the tutor takes it: in Windows-1252, but a folder as typed, in UTF-8.
    std::string reply() const;

    // Shows the dialog modally; the typed text, or the empty text on Cancel.
    static std::string ask(const std::string& prompt, QWidget* parent);
    // The same for a name: the name in letters Windows-1252 holds.
    static std::string askName(const std::string& prompt, QWidget* parent);
    // The same for a folder: the folder as typed, in UTF-8.
    static std::string askFolder(const std::string& prompt, QWidget* parent);

private:
    static std::string askFor(const std::string& prompt, QWidget* parent, Reply reply);
    void spellForRecordsAsTyped(const QString& text);
    // Grows to show the whole notice and name preview, or gives the room back that the notice
    // took; the width stays.
    void fitHeight();

    Reply reply_;
    QLabel* label_;
    QLineEdit* entry_;
    QLabel* namePreview_ = nullptr;
    RefusalNotice* notice_;
};

}  // namespace qatutor
