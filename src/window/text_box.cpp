#include "window/text_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <utility>

#include "window/plain_spelling.h"
#include "window/refusal_notice.h"
#include "window/text_conversion.h"
#include "window/tutor_text.h"

namespace qatutor {

namespace {

bool isReturn(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// A modifier pressed alone (Shift before Shift+Return, Ctrl before Ctrl+Z) is no key of its own.
bool isModifier(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return true;
    default: return false;
    }
}

}  // namespace

QFont boxFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Bold);
    return font;
}

TextBoxWidget::TextBoxWidget(QWidget* parent)
    : QPlainTextEdit(parent),
      notice_(new RefusalNotice(RefusalNotice::Placement::overParentBottom, this)) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChanged, this, [this] { ++changeCount_; });
    connect(document(), &QTextDocument::undoCommandAdded, this,
            &TextBoxWidget::forgetSetAsideWhenGone);
}

std::string TextBoxWidget::bytes() {
    rawTextLastRead_ = document()->toRawText();
    changeCountAtLastRead_ = changeCount_;
    return fromDocumentText(rawTextLastRead_);
}

void TextBoxWidget::forgetLastRead() {
    rawTextLastRead_.clear();
    changeCountAtLastRead_.reset();
}

void TextBoxWidget::setBytes(const std::string& text) {
    setAside_.reset();  // the undo history starts afresh
    setPlainText(toDisplayText(text));
    tutorSet(text);
}

void TextBoxWidget::replaceBytes(const std::string& text) {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(toDisplayText(text));
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);  // where setBytes leaves the cursor too
    tutorSet(text);
}

void TextBoxWidget::showTutorText(const std::string& text) {
    const QString raw = document()->toRawText();
    if (const auto shown = bytesSpelling(raw, text)) {
        const std::string added = text.substr(*shown);
        const bool tutorsOnly = changeCount_ == changeCountTutorsOnly_;
        if (setAside_ && document()->availableUndoSteps() >= setAside_->undoSteps) {
            addBehindSetAside(toDisplayText(added));
        } else if (document()->isUndoAvailable()) {
            // An edit block of its own, never merged with the student's typing before it.
            QTextCursor cursor(document());
            cursor.movePosition(QTextCursor::End);
            cursor.beginEditBlock();
            cursor.insertText(toDisplayText(added));
            cursor.endEditBlock();
        } else {
            setPlainText(toDisplayText(text));
        }
        tutorSet(tutorText_ + added, tutorsOnly);
    } else if (changedSinceTutorTextAlone() && typedBeyond(raw, tutorText_)) {
        const int length = document()->characterCount() - 1;
        replaceBytes(text);
        if (text.empty()) setAside_ = SetAside{document()->availableUndoSteps(), length};
    } else {
        setBytes(text);
    }
}

void TextBoxWidget::addBehindSetAside(const QString& added) {
    const SetAside aside = *std::exchange(setAside_, std::nullopt);
    QTextDocument* text = document();
    // What the student typed since the emptying goes back behind the text set aside, with the
    // tutor's addition after it.
    const int typedSteps = text->availableUndoSteps() - aside.undoSteps;
    const QString typed = typedSteps > 0 ? text->toRawText() : QString();
    for (int step = 0; step <= typedSteps; ++step) text->undo();
    // Undone, the box holds the text set aside, followed by what the box showed right after the
    // step took it away.
    QTextCursor cursor(text);
    cursor.beginEditBlock();
    cursor.setPosition(aside.length);
    cursor.movePosition(QTextCursor::End,
                        typedSteps > 0 ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    cursor.insertText(typed + added);
    cursor.endEditBlock();
    cursor.beginEditBlock();
    cursor.setPosition(0);
    cursor.setPosition(aside.length, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setAside_ = SetAside{text->availableUndoSteps(), aside.length};
}

void TextBoxWidget::forgetSetAsideWhenGone() {
    // A new step at or below the one that took the text away, made after undoing it, drops it
    // from the history (and with it the steps to redo). An edit merged into the step below
    // leaves fewer steps than it needs, and the next new step drops it here.
    if (setAside_ && document()->availableUndoSteps() <= setAside_->undoSteps) setAside_.reset();
}

bool TextBoxWidget::holdsTypedText() const {
    return changedSinceTutorTextAlone() && typedBeyond(document()->toRawText(), tutorText_);
}

void TextBoxWidget::tutorSet(std::string tutors, bool tutorsOnly) {
    tutorText_ = std::move(tutors);
    changeCountAtLastSet_ = changeCount_;
    if (tutorsOnly) changeCountTutorsOnly_ = changeCount_;
    ignoresReturn_ = false;
    if (selectsTutorText_) selectTutorText();
}

void TextBoxWidget::setSelectsTutorText(bool on) {
    selectsTutorText_ = on;
    if (on && changeCount_ == changeCountAtLastSet_) selectTutorText();
}

void TextBoxWidget::selectTutorText() {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void TextBoxWidget::mousePressEvent(QMouseEvent* event) {
    ignoresReturn_ = false;
    QPlainTextEdit::mousePressEvent(event);
}

void TextBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    // A click into the tutor's text selects it whole again: typing replaces it, never lands
    // in its middle.
    if (selectsTutorText_ && changeCount_ == changeCountAtLastSet_ && !tutorText_.empty())
        selectTutorText();
}

void TextBoxWidget::showFrom(int position) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int end = cursor.position();
    if (position < 0 || position >= end) return;
    if (document()->characterAt(position) == QChar::ParagraphSeparator) ++position;
    // Shown from the end first, so that moving back up brings the position to the top line.
    setTextCursor(cursor);
    ensureCursorVisible();
    cursor.setPosition(position);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QString TextBoxWidget::acceptable(const QString& text) {
    SpelledInput input = spellForRecords(text);
    if (!input.refused.isEmpty()) {
        notice_->refuse(input.refused);
        lastRefusalNotice_ = notice_->text();
        emit charactersRefused(lastRefusalNotice_);
    }
    return input.text;
}

void TextBoxWidget::keyPressEvent(QKeyEvent* event) {
    if (ignoresReturn_) {
        if (isReturn(event)) {
            event->accept();
            return;
        }
        if (!isModifier(event)) ignoresReturn_ = false;
    }
    const QString text = event->text();
    if (text.isEmpty() || spellForRecords(text).text == text) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString kept = acceptable(text);
    if (!kept.isEmpty()) insertPlainText(kept);
    event->accept();
}

void TextBoxWidget::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty() || spellForRecords(commit).text == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(acceptable(commit), event->replacementStart(),
                             event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
}

void TextBoxWidget::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) return;
    insertPlainText(acceptable(source->text()));
}

}  // namespace qatutor
