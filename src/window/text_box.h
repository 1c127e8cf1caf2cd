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
    // The tutor's new text for a box the student may write in too (the question box): nothing
    // typed there is lost for good. A text that begins with the box's whole text is added at
    // its end, as a step of its own while the box has steps to undo (so that those stay within
    // reach), and outright as setBytes does otherwise. A text that replaces typed text is one
    // step that Ctrl+Z takes back, as replaceBytes does; any other is set outright.
    //   box "Q1. my working", showTutorText("Q1. my working A1.") -> " A1." added at the end
    // Typed text that the empty text (a record) took away stays one undo step away while the
    // tutor adds text: its undo brings it back in front of the tutor's later text and of what
    // the student typed before that, which stay.
    //   box "Q1. my 7*6", showTutorText(""), showTutorText("A1.") -> box "A1.";
    //   Ctrl+Z -> "Q1. my 7*6A1."
    void showTutorText(const std::string& text);

    // The tutor's own text in the box: the text it last put there, or, where it added to what
    // the box held (showTutorText), the tutor's text before it and what it added.
    const std::string& tutorText() const { return tutorText_; }
    // Whether the box holds text the student typed: more than the tutor's text, blanks and line
    // breaks aside (see typedBeyond). Reads the box only when it changed since it last held the
    // tutor's text alone.
    bool holdsTypedText() const;
    // Whether the text changed since the box last held the tutor's text alone; while it has
    // not, the box holds nothing typed.
    bool changedSinceTutorTextAlone() const { return changeCount_ != changeCountTutorsOnly_; }

    // From now on Return adds nothing until the student presses another key or clicks into the
    // box, or the tutor puts text there. The window calls it after a record, so that a Return
    // pressed again out of habit after the rating dialog's begins no response with a line break.
    void ignoreReturnUntilTyping() { ignoresReturn_ = true; }

    // When on, any text the tutor puts into the box stands selected whole until the student
    // changes it, also after a click into it, so that the first key press replaces it.
    void setSelectsTutorText(bool on);

    // How often the text has changed, by the tutor, the student, undo or redo: while the count
    // stays the same, so does the text, and nobody needs to read a long text again to know it.
    unsigned long changeCount() const { return changeCount_; }
    // The count when the tutor last put text into the box.
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Spells `text` for the records and tells the student about what it refuses.
    QString acceptable(const QString& text);
    // Records that the box now holds the tutor's text `tutors` as the tutor left it, and
    // nothing else unless the tutor added to typed text (`tutorsOnly` false).
    void tutorSet(std::string tutors, bool tutorsOnly = true);
    // Selects the whole text, the view staying at its top.
    void selectTutorText();
    // Adds `added` at the end while typed text the tutor emptied away is one undo step away:
    // the step that took it away is done again after the addition, so that its undo keeps the
    // addition. What the student typed since goes in as one step with the addition.
    void addBehindSetAside(const QString& added);
    // Forgets the text set aside once its step has left the undo history.
    void forgetSetAsideWhenGone();

    RefusalNotice* notice_;
    QString lastRefusalNotice_;
    std::string tutorText_;
    unsigned long changeCount_ = 0;
    unsigned long changeCountAtLastSet_ = 0;
    unsigned long changeCountTutorsOnly_ = 0;  // when the box last held the tutor's text alone
    bool selectsTutorText_ = false;
    bool ignoresReturn_ = false;
    QString rawTextLastRead_;
    std::optional<unsigned long> changeCountAtLastRead_;
    // Typed text the tutor emptied out of the box: the box's undo steps with the step that
    // took it away done, and the length it had at the start of the text (document positions).
    struct SetAside {
        int undoSteps;
        int length;
    };
    std::optional<SetAside> setAside_;
};

}  // namespace qatutor
