#include "window/text_box.h"

#include <QInputMethodEvent>
#include <QList>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>
#include <QToolTip>

#include "window/text_conversion.h"

namespace qatutor {

QString refusalNotice(const QString& refused) {
    QStringList names;
    const auto codePoints = refused.toUcs4();
    for (char32_t c : codePoints)
        names << QStringLiteral("\"%1\" (U+%2)")
                     .arg(QString::fromUcs4(&c, 1),
                          QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, u'0'));
    return QStringLiteral("Not entered: %1. Your record files can hold only the characters of the "
                          "Windows-1252 character set, so this character would be lost. Write it "
                          "out in words or letters instead (for example pi or sqrt).")
        .arg(names.join(QStringLiteral(", ")));
}

TextBoxWidget::TextBoxWidget(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

std::string TextBoxWidget::bytes() const { return fromDocumentText(document()->toRawText()); }

void TextBoxWidget::setBytes(const std::string& text) { setPlainText(toDisplayText(text)); }

QString TextBoxWidget::acceptable(const QString& text) {
    const QString refused = unsupportedCharacters(text);
    if (refused.isEmpty()) return text;
    lastRefusalNotice_ = refusalNotice(refused);
    QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()), lastRefusalNotice_, this, {}, 8000);
    emit charactersRefused(lastRefusalNotice_);
    QString kept;
    const auto codePoints = text.toUcs4();
    for (char32_t c : codePoints) {
        const QString character = QString::fromUcs4(&c, 1);
        if (!refused.contains(character)) kept += character;
    }
    return kept;
}

void TextBoxWidget::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || unsupportedCharacters(text).isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString kept = acceptable(text);
    if (!kept.isEmpty()) insertPlainText(kept);
    event->accept();
}

void TextBoxWidget::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty() || unsupportedCharacters(commit).isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(acceptable(commit), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
}

void TextBoxWidget::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) return;
    insertPlainText(acceptable(source->text()));
}

}  // namespace qatutor
