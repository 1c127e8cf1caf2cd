#include "window/prompt_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "window/accessibility.h"
#include "window/plain_spelling.h"
#include "window/refusal_notice.h"
#include "window/text_conversion.h"

namespace qatutor {

PromptDialog::PromptDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent),
      label_(new QLabel(prompt, this)),
      entry_(new QLineEdit(this)),
      notice_(new RefusalNotice(RefusalNotice::Placement::inLayout, this)) {
    setObjectName(QStringLiteral("promptDialog"));
    setModal(true);
    label_->setObjectName(QStringLiteral("promptText"));
    label_->setWordWrap(true);
    label_->setMinimumWidth(420);
    entry_->setObjectName(QStringLiteral("promptEntry"));
    nameByQuestion(this, label_, entry_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Characters the record files cannot hold are spelled or taken out as soon as they are typed.
    connect(entry_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const SpelledInput input = spellForRecords(text);
        if (input.text == text) return;
        const qsizetype afterCursor = text.size() - entry_->cursorPosition();
        entry_->setText(input.text);
        entry_->setCursorPosition(
            static_cast<int>(std::max<qsizetype>(0, input.text.size() - afterCursor)));
        if (input.refused.isEmpty()) return;
        notice_->refuse(input.refused);
        // The dialog keeps its width and grows to show the whole wrapped notice.
        layout()->activate();
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height()) resize(width(), needed);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(entry_);
    layout->addWidget(notice_);
    layout->addWidget(buttons);
    entry_->setFocus();
}

std::string PromptDialog::ask(const std::string& prompt, QWidget* parent) {
    PromptDialog dialog(fromBytes(prompt), parent);
    if (dialog.exec() != QDialog::Accepted) return {};
    return fromEntryText(dialog.entry()->text());
}

}  // namespace qatutor
