#include "window/screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qatutor {

std::optional<QRect> fittedFrame(QSize clientSize, QMargins margins, QRect frame, QRect available) {
    const QSize wanted = clientSize.grownBy(margins);
    if (wanted.width() <= available.width() && wanted.height() <= available.height())
        return std::nullopt;
    const QSize size = wanted.boundedTo(available.size());
    // Where the frame stands now, moved no further than needed to lie inside the area.
    const int left =
        std::clamp(frame.left(), available.left(), available.right() + 1 - size.width());
    const int top =
        std::clamp(frame.top(), available.top(), available.bottom() + 1 - size.height());
    return QRect(QPoint(left, top), size);
}

ScreenFit::ScreenFit(QWidget* window, QWidget* clientArea)
    : QObject(window), window_(window), clientArea_(clientArea) {
    window->installEventFilter(this);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && (frameKnown_ || (type != QEvent::Move && type != QEvent::Resize)))
        return false;
    // Before the window manager has framed the window its frame is not known: at its showing the
    // client area alone is fitted, then the whole frame once it is known (the window moved or
    // resized by its framing), and only then, so that the student may move or resize the window
    // as they like afterwards.
    const QRect frame = window_->frameGeometry();
    const QRect client = window_->geometry();
    if (type != QEvent::Show && frame == client) return false;
    frameKnown_ = frame != client;
    fit(QMargins(client.left() - frame.left(), client.top() - frame.top(),
                 frame.right() - client.right(), frame.bottom() - client.bottom()));
    return false;
}

void ScreenFit::fit(QMargins margins) {
    const QScreen* screen = window_->screen();
    if (!screen) return;
    // At a fractional scale the frame's margins are known to the nearest pixel of the window's
    // own: one pixel more on each side keeps the frame from ending a device pixel past the edge.
    const qreal scale = window_->devicePixelRatioF();
    if (scale != std::floor(scale)) margins += QMargins(1, 1, 1, 1);
    const QRect available = screen->availableGeometry();
    QSize wanted = clientArea_->size();
    std::optional<QRect> frame = fittedFrame(wanted, margins, window_->frameGeometry(), available);
    if (!frame) return;
    scrollClientArea();
    // The scroll bar along a cut side takes its room from the other side: that side is widened
    // by the bar where the screen has room for it, so that it need not scroll as well.
    const QSize cut = frame->size().shrunkBy(margins);
    const int bar =
        scrollArea_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollArea_);
    if (cut.height() < wanted.height()) wanted.rwidth() += bar;
    if (cut.width() < clientArea_->width()) wanted.rheight() += bar;
    frame = fittedFrame(wanted, margins, window_->frameGeometry(), available);
    window_->resize(frame->size().shrunkBy(margins));
    window_->move(frame->topLeft());
}

void ScreenFit::scrollClientArea() {
    if (scrollArea_) return;
    scrollArea_ = new QScrollArea(window_);
    scrollArea_->setObjectName(QStringLiteral("clientScrollArea"));
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);   // the controls keep the tab order to themselves
    QWidget* focused = window_->focusWidget();  // moving the client area takes the focus away
    scrollArea_->setWidget(clientArea_);        // at the top-left corner, its size unchanged
    clientArea_->show();
    if (focused) focused->setFocus();
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea_);
    scrollArea_->show();
    // The control that takes the focus comes into view, whichever way it took it (Tab, a click
    // on a part in view, a screen reader).
    connect(qApp, &QApplication::focusChanged, scrollArea_, [this](QWidget*, QWidget* now) {
        if (now && clientArea_->isAncestorOf(now)) showWhole(now);
    });
}

void ScreenFit::showWhole(QWidget* control) {
    // The whole control where the view can hold it (the part of it the client area shows), with a
    // margin; otherwise its middle. A text box counts whole, not only its text cursor.
    const QRect shown = QRect(control->mapTo(clientArea_, QPoint(0, 0)), control->size())
                            .intersected(clientArea_->rect());
    const QSize view = scrollArea_->viewport()->size();
    scrollArea_->ensureVisible(shown.center().x(), shown.center().y(),
                               std::min(shown.width() / 2 + margin, view.width() / 2),
                               std::min(shown.height() / 2 + margin, view.height() / 2));
}

}  // namespace qatutor
