#include "window/prompt_dialog.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "records/startup.h"
#include "window/accessibility.h"
#include "window/message_boxes.h"
#include "window/name_spelling.h"
#include "window/plain_spelling.h"
#include "window/refusal_notice.h"
#include "window/text_conversion.h"

namespace qatutor {

PromptDialog::PromptDialog(const QString& prompt, QWidget* parent, Reply reply)
    : QDialog(parent),
      reply_(reply),
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

    if (reply_ == Reply::name) {
        namePreview_ = new QLabel(this);
        namePreview_->setObjectName(QStringLiteral("namePreview"));
        namePreview_->setWordWrap(true);
        namePreview_->setTextFormat(Qt::PlainText);
        // The names the record files get from the name, today: the file names are all that
        // the name is written into.
        const auto preview = [this](const QString& text) {
            const std::string today =
                QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")).toStdString();
            const RecordFileNames names =
                recordFileNames(fromEntryText(nameForRecords(text)), today);
            namePreview_->setText(wrappableText(
                QStringLiteral("Your record files are named\n%1\n%2\n%3")
                    .arg(fromBytes(names.master), fromBytes(names.send), fromBytes(names.notes))));
            if (layout()) fitHeight();  // a longer name may take more lines
        };
        connect(entry_, &QLineEdit::textChanged, this, preview);
        preview({});
    } else if (reply_ == Reply::text) {
        connect(entry_, &QLineEdit::textEdited, this, &PromptDialog::spellForRecordsAsTyped);
    }
    connect(notice_, &RefusalNotice::gone, this, &PromptDialog::fitHeight);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(entry_);
    if (namePreview_) layout->addWidget(namePreview_);
    layout->addWidget(notice_);
    layout->addWidget(buttons);
    entry_->setFocus();
}

// Characters the record files cannot hold are spelled or taken out as soon as they are typed.
void PromptDialog::spellForRecordsAsTyped(const QString& text) {
    const SpelledInput input = spellForRecords(text);
    if (input.text == text) return;
    const qsizetype afterCursor = text.size() - entry_->cursorPosition();
    entry_->setText(input.text);
    entry_->setCursorPosition(
        static_cast<int>(std::max<qsizetype>(0, input.text.size() - afterCursor)));
    if (input.refused.isEmpty()) return;
    notice_->refuse(input.refused);
    fitHeight();
}

void PromptDialog::fitHeight() {
    layout()->invalidate();
    layout()->activate();
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height() || (notice_->isHidden() && needed < height())) resize(width(), needed);
}

std::string PromptDialog::reply() const {
    switch (reply_) {
    case Reply::name: return fromEntryText(nameForRecords(entry_->text()));
    case Reply::folder: return entry_->text().toUtf8().toStdString();
    case Reply::text: break;
    }
    return fromEntryText(entry_->text());
}

std::string PromptDialog::askFor(const std::string& prompt, QWidget* parent, Reply reply) {
    PromptDialog dialog(fromBytes(prompt), parent, reply);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.reply();
}

std::string PromptDialog::ask(const std::string& prompt, QWidget* parent) {
    return askFor(prompt, parent, Reply::text);
}

std::string PromptDialog::askName(const std::string& prompt, QWidget* parent) {
    return askFor(prompt, parent, Reply::name);
}

std::string PromptDialog::askFolder(const std::string& prompt, QWidget* parent) {
    return askFor(prompt, parent, Reply::folder);
}

}  // namespace qatutor
