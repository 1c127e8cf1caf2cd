#include "window/prompt_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "window/text_box.h"
#include "window/text_conversion.h"

namespace qatutor {

PromptDialog::PromptDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent), label_(new QLabel(prompt, this)), entry_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("promptDialog"));
    setModal(true);
    label_->setObjectName(QStringLiteral("promptText"));
    label_->setWordWrap(true);
    label_->setMinimumWidth(420);
    entry_->setObjectName(QStringLiteral("promptEntry"));
    entry_->setAccessibleName(QStringLiteral("Your reply"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Characters the record files cannot hold are taken out again as soon as they are typed.
    connect(entry_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString refused = unsupportedCharacters(text);
        if (refused.isEmpty()) return;
        QString kept = text;
        for (QChar c : refused) kept.remove(c);
        entry_->setText(kept);
        QToolTip::showText(entry_->mapToGlobal(QPoint(0, entry_->height())), refusalNotice(refused),
                           entry_, {}, 8000);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(entry_);
    layout->addWidget(buttons);
    entry_->setFocus();
}

std::string PromptDialog::ask(const std::string& prompt, QWidget* parent) {
    PromptDialog dialog(fromBytes(prompt), parent);
    if (dialog.exec() != QDialog::Accepted) return {};
    return fromEntryText(dialog.entry()->text());
}

}  // namespace qatutor
