#include "window/text_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

#include "window/plain_spelling.h"
#include "window/refusal_notice.h"
#include "window/text_conversion.h"

namespace qatutor {

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
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        ++changeCount_;
        // An edit that leaves the box empty leaves nothing typed in it to lose.
        if (!settingText_) editedSinceEmptied_ = !document()->isEmpty();
    });
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
    settingText_ = true;
    setPlainText(toDisplayText(text));
    settingText_ = false;
    tutorSet(text);
}

void TextBoxWidget::replaceBytes(const std::string& text) {
    settingText_ = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(toDisplayText(text));
    cursor.endEditBlock();
    settingText_ = false;
    moveCursor(QTextCursor::Start);  // where setBytes leaves the cursor too
    tutorSet(text);
}

void TextBoxWidget::tutorSet(const std::string& text) {
    bytesLastSet_ = text;
    changeCountAtLastSet_ = changeCount_;
    if (text.empty()) editedSinceEmptied_ = false;
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

void TextBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    // A click into the tutor's text selects it whole again: typing replaces it, never lands
    // in its middle.
    if (selectsTutorText_ && changeCount_ == changeCountAtLastSet_ && !bytesLastSet_.empty())
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
