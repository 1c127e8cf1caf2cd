#include "window/wrapping_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace qatutor {

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::ButtonText : QPalette::PlaceholderText));
    painter.drawText(captionRect(), captionFlags, caption);
}

namespace {

bool isReturn(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Tells a Return press that begins a keystroke from the repeat of a key held down, watching
// Return everywhere in the program. The flag of auto-repeat alone cannot: Qt on Windows marks a
// press as a repeat when it never saw the key's last release, as when a dialog closed on the press
// (Qt's own dialogs do), so every later Return would seem a repeat. A press is new unless the
// last press or release of Return came less than a second before it, the longest delay before a
// held key repeats on Windows.
class ReturnKeyWatch final : public QObject {
public:
    static ReturnKeyWatch& instance() {
        static ReturnKeyWatch* watch = [] {
            auto* created = new ReturnKeyWatch(qApp);
            qApp->installEventFilter(created);
            return created;
        }();
        return *watch;
    }
    // Whether the Return press being delivered begins a keystroke.
    bool pressIsNew() const { return pressIsNew_; }

protected:
    // Each key event reaches the window first, then the widget with the focus: it is counted at
    // the widgets only, so that the widget reads how long it was since the one before.
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        if (!object->isWidgetType()) return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!isReturn(key)) return false;
        const qint64 now = clock_.elapsed();
        if (event->type() == QEvent::KeyPress)
            pressIsNew_ = !key->isAutoRepeat() || lastSeen_ < 0 || now - lastSeen_ > 1000;
        // A repeat comes as a release and a press together; the release says nothing of the gap.
        if (event->type() == QEvent::KeyPress || !key->isAutoRepeat()) lastSeen_ = now;
        return false;
    }

private:
    using QObject::QObject;
    QElapsedTimer clock_ = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    qint64 lastSeen_ = -1;
    bool pressIsNew_ = true;
};

}  // namespace

WrappingButton::WrappingButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    ReturnKeyWatch::instance();  // watching from the start, dialogs' keys included
}

// Outside a dialog a push button takes Return for nothing; the tutor's buttons take it as Space:
// the button goes down at the press and is pressed at the release. A dialog that the press opened
// would take the key's auto-repeat, and the rating dialog's Return accepts an empty rating; nor
// may a key held down in a dialog that closed press the button the focus comes back to.
void WrappingButton::keyPressEvent(QKeyEvent* event) {
    if (isReturn(event)) {
        if (!isDown() && ReturnKeyWatch::instance().pressIsNew()) setDown(true);
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void WrappingButton::keyReleaseEvent(QKeyEvent* event) {
    if (isReturn(event)) {
        if (!event->isAutoRepeat() && isDown()) {
            setDown(false);
            click();
        }
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

}  // namespace qatutor
