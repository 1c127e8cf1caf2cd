#include "window/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>

#include "window/focus_ring.h"

namespace qatutor {
namespace {

// A notice is read out as an alert whose name is what it says.
class NoticeAccessible : public QAccessibleWidget {
public:
    explicit NoticeAccessible(QLabel* notice)
        : QAccessibleWidget(notice, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

// Qt asks once for each class of an object's ancestry, most derived first.
QAccessibleInterface* tutorAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (className == QLatin1String("qatutor::MainWindow"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String("qatutor::PictureBoxWidget"))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (className == QLatin1String("qatutor::RefusalNotice"))
        return new NoticeAccessible(static_cast<QLabel*>(widget));
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(tutorAccessible);
    QApplication::setStyle(new FocusRingStyle);
}

void nameByQuestion(QWidget* dialog, QLabel* question, QWidget* entry) {
    const QString name = question->text().simplified();
    dialog->setAccessibleName(name);
    question->setBuddy(entry);
    entry->setAccessibleName(name);
}

void nameByMessage(QWidget* box, const QString& message) {
    box->setAccessibleName(message.simplified());
}

void announce(QLabel* notice) {
    if (notice->isHidden()) return;  // showing it is announced by Qt itself
    QAccessibleEvent changed(notice, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

}  // namespace qatutor
