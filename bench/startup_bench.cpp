#include "startup_bench.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <deque>

#include "bank/bank_source.h"
#include "host/local_host.h"
#include "records/startup.h"
#include "window/control_table.h"
#include "window/main_window.h"
#include "window/text_box.h"

namespace qatutor::bench {
namespace {

// Answers each dialog once it has been painted, as a student who types at once would, and says
// "shown" once the main window has been painted.
class ReplyScript : public QObject {
public:
    explicit ReplyScript(std::deque<QString> replies) : replies_(std::move(replies)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->isWindow()) return false;
        if (auto* dialog = qobject_cast<QDialog*>(widget)) {
            if (dialog->property("answered").toBool()) return false;
            dialog->setProperty("answered", true);
            QTimer::singleShot(0, dialog, [this, dialog] {
                auto* entry = dialog->findChild<QLineEdit*>();
                if (entry && !replies_.empty()) {
                    entry->setText(replies_.front());
                    replies_.pop_front();
                }
                dialog->accept();
            });
        } else if (!shown_) {
            shown_ = true;
            QTimer::singleShot(0, widget, [] {
                std::puts("shown");
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    std::deque<QString> replies_;
    bool shown_ = false;
};

std::deque<QString> studentReplies() { return {"Ann Lee", "", "2"}; }

char programName[] = "qatutor";
char* arguments[] = {programName, nullptr};
int argumentCount = 1;

}  // namespace

// The same steps as the program's main(), with the script watching.
int startupQatutor() {
    QApplication app(argumentCount, arguments);
    QApplication::setApplicationName(QStringLiteral("qatutor"));
    ReplyScript script(studentReplies());
    app.installEventFilter(&script);

    const std::vector<BankPiece>* bank = nullptr;
    try {
        bank = &builtInBank();
    } catch (const HostError& error) {
        QMessageBox::critical(nullptr, QStringLiteral("qatutor"), QString::fromUtf8(error.what()));
        return 1;
    }
    MainWindow window(userHomeFolder());
    if (!window.start(*bank)) return window.exitCode();
    window.show();
    return QApplication::exec();
}

namespace {

QString promptReply(const QString& prompt) {
    QDialog dialog;
    dialog.setModal(true);
    auto* label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    label->setMinimumWidth(420);
    auto* entry = new QLineEdit(&dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(entry);
    layout->addWidget(buttons);
    entry->setFocus();
    return dialog.exec() == QDialog::Accepted ? entry->text() : QString();
}

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* plainControl(const ControlPlace& place, QWidget* parent) {
    const QString caption = latin1(place.caption);
    switch (place.kind) {
    case ControlKind::multiLineTextBox: {
        auto* box = new QPlainTextEdit(caption, parent);
        // The tutor's font for the two big boxes, whose vertical scroll bars are always shown:
        // part of what the window looks like, so the floor pays for them too.
        box->setFont(boxFont());
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return box;
    }
    case ControlKind::textBox: return new QLineEdit(caption, parent);
    case ControlKind::commandButton: return new QPushButton(caption, parent);
    case ControlKind::pictureBox: return new QWidget(parent);
    case ControlKind::label: return new QLabel(caption, parent);
    case ControlKind::listBox: return new QListWidget(parent);
    }
    return nullptr;
}

}  // namespace

int startupFloor() {
    QApplication app(argumentCount, arguments);
    ReplyScript script(studentReplies());
    app.installEventFilter(&script);

    promptReply(latin1(namePrompt));
    promptReply(latin1(folderChoicePrompt));
    promptReply(latin1(assignmentPrompt));

    QWidget window;
    QFont windowFont = window.font();
    windowFont.setPointSizeF(8);
    window.setFont(windowFont);
    window.resize(clientWidthTwips / twipsPerPixel, clientHeightTwips / twipsPerPixel);
    for (const ControlPlace& place : controlTable) {
        QWidget* control = plainControl(place, &window);
        control->setGeometry(place.left / twipsPerPixel, place.top / twipsPerPixel,
                             place.width / twipsPerPixel, place.height / twipsPerPixel);
    }
    window.show();
    return QApplication::exec();
}

}  // namespace qatutor::bench
