#include "window/message_boxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "window/accessibility.h"

namespace qatutor {
namespace {

inline constexpr QChar breakOpportunity(0x200B);  // zero-width space
inline constexpr int longestUnbrokenRun = 24;

QMessageBox* makeBox(QMessageBox::Icon icon, const QString& message, QWidget* parent) {
    auto* box = new QMessageBox(icon, QStringLiteral("qatutor"), wrappableText(message),
                                QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    nameByMessage(box, message);
    return box;
}

}  // namespace

QString wrappableText(const QString& text) {
    QString result;
    result.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (QChar c : text) {
        result += c;
        if (c.isSpace()) {
            run = 0;
        } else if (c == u'/' || c == u'\\' || c == u'_' || ++run >= longestUnbrokenRun) {
            result += breakOpportunity;
            run = 0;
        }
    }
    return result;
}

QMessageBox* makeErrorBox(const QString& message, QWidget* parent) {
    QMessageBox* box = makeBox(QMessageBox::Critical, message, parent);
    box->addButton(QMessageBox::Ok);
    return box;
}

void showError(const QString& message, QWidget* parent) {
    const std::unique_ptr<QMessageBox> box(makeErrorBox(message, parent));
    box->exec();
}

void showInformation(const QString& message, QWidget* parent) {
    const std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Information, message, parent));
    box->addButton(QMessageBox::Ok);
    box->exec();
}

QMessageBox* makeLeaveQuestion(const QString& message, QWidget* parent) {
    QMessageBox* box = makeBox(QMessageBox::Question, message, parent);
    QPushButton* leave =
        box->addButton(QStringLiteral("&Leave without recording"), QMessageBox::DestructiveRole);
    leave->setObjectName(QLatin1String(leaveButtonName));
    QPushButton* stay = box->addButton(QStringLiteral("&Stay"), QMessageBox::RejectRole);
    stay->setObjectName(QLatin1String(stayButtonName));
    box->setDefaultButton(stay);
    box->setEscapeButton(stay);
    return box;
}

namespace {
std::function<bool(const QString&)> leaveQuestionAnswerer;
}  // namespace

void setLeaveQuestionAnswerer(std::function<bool(const QString&)> answer) {
    leaveQuestionAnswerer = std::move(answer);
}

bool askLeaveWithoutRecording(const QString& message, QWidget* parent) {
    if (leaveQuestionAnswerer) return leaveQuestionAnswerer(message);
    const std::unique_ptr<QMessageBox> box(makeLeaveQuestion(message, parent));
    box->exec();
    return box->clickedButton() &&
           box->clickedButton()->objectName() == QLatin1String(leaveButtonName);
}

}  // namespace qatutor
