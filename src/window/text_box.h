// The question and answer boxes: multi-line, word-wrapped, a vertical scroll bar only.
//
// Every text the tutor reads from a box is exactly what the box shows, in Windows-1252. The
// common mathematical characters that Windows-1252 cannot hold are spelled in plain text as
// they are typed or pasted (pi, sqrt, <=); any other such character is refused, the rest of the
// input is kept, and a notice over the bottom of the box names what was refused.
#pragma once

#include <QPlainTextEdit>
#include <optional>
#include <string>

namespace qatutor {

class RefusalNotice;
struct SpelledInput;

// The face of the two big boxes: bold sans-serif at 9.75 point.
QFont boxFont();

class TextBoxWidget : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBoxWidget(QWidget* parent = nullptr);

    // The whole text as bytes. Reading it keeps what was read and the change count it was read
    // at (rawTextLastRead, changeCountAtLastRead), which the window compares later.
    std::string bytes();
    // Replaces the whole text; the undo history starts afresh.
    void setBytes(const std::string& text);
    // Replaces the whole text as one step that Ctrl+Z (or Undo in the box's menu) takes back,
    // so that typed text the tutor replaces is never lost for good.
    void replaceBytes(const std::string& text);
    // The text last put into the box by setBytes or replaceBytes.
    const std::string& bytesLastSet() const { return bytesLastSet_; }

    // Whether the student has changed the text since the box was last emptied, by the tutor or
    // by the student's own edit: typing, pasting, deleting, undo and redo count; what the tutor
    // adds or replaces does not.
    bool editedSinceEmptied() const { return editedSinceEmptied_; }

    // When on, any text the tutor puts into the box stands selected whole until the student
    // changes it, also after a click into it, so that the first key press replaces it.
    void setSelectsTutorText(bool on);

    // How often the text has changed, by the tutor, the student, undo or redo: while the count
    // stays the same, so does the text, and nobody needs to read a long text again to know it.
    unsigned long changeCount() const { return changeCount_; }
    // The count when setBytes or replaceBytes last put text into the box.
    unsigned long changeCountAtLastSet() const { return changeCountAtLastSet_; }
    // What bytes() read last, as the box's raw text (shared, not copied), and the count it was
    // read at; nothing after forgetLastRead().
    const QString& rawTextLastRead() const { return rawTextLastRead_; }
    std::optional<unsigned long> changeCountAtLastRead() const { return changeCountAtLastRead_; }
    void forgetLastRead();

    // Shows the text from `position` (a document position) on: the line holding it becomes the
    // first line in view, or the next line when the text there begins with a line break.
    void showFrom(int position);

    RefusalNotice* notice() const { return notice_; }
    // The last notice shown for refused characters (empty before any).
    const QString& lastRefusalNotice() const { return lastRefusalNotice_; }

signals:
    void charactersRefused(const QString& notice);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Spells `text` for the records and tells the student about what it refuses.
    QString acceptable(const QString& text);
    // Records that the tutor put `text` into the box.
    void tutorSet(const std::string& text);
    // Selects the whole text, the view staying at its top.
    void selectTutorText();

    RefusalNotice* notice_;
    QString lastRefusalNotice_;
    std::string bytesLastSet_;
    unsigned long changeCount_ = 0;
    unsigned long changeCountAtLastSet_ = 0;
    bool settingText_ = false;
    bool editedSinceEmptied_ = false;
    bool selectsTutorText_ = false;
    QString rawTextLastRead_;
    std::optional<unsigned long> changeCountAtLastRead_;
};

}  // namespace qatutor
