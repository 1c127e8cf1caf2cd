#include "window/wrapping_button.h"

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

}  // namespace

// Outside a dialog a push button takes Return for nothing; the tutor's buttons take it as Space:
// the button goes down at the press and is pressed at the release. A dialog that the press opened
// would take the key's auto-repeat, and the rating dialog's Return accepts an empty rating.
void WrappingButton::keyPressEvent(QKeyEvent* event) {
    if (isReturn(event)) {
        if (!event->isAutoRepeat()) setDown(true);
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
