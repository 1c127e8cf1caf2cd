#include "window/focus_ring.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QStyleOption>

namespace qatutor {

void drawFocusRing(QPainter* painter, const QRect& rect, const QPalette& palette) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = palette.color(QPalette::Active, QPalette::Highlight);
    // Filled bands rather than a wide pen: exact pixels even in a control a few pixels wide.
    const int w = std::min({focusRingWidth, rect.width() / 2, rect.height() / 2});
    if (w > 0) {
        painter->fillRect(rect.left(), rect.top(), rect.width(), w, colour);
        painter->fillRect(rect.left(), rect.bottom() + 1 - w, rect.width(), w, colour);
        painter->fillRect(rect.left(), rect.top(), w, rect.height(), colour);
        painter->fillRect(rect.right() + 1 - w, rect.top(), w, rect.height(), colour);
    }
    painter->restore();
}

void FocusRingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_FrameFocusRect:
        // Drawn by each control below along its whole edge; the base style's faint inner
        // rectangle would only blur it.
        return;
    case PE_PanelLineEdit:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (option->state & State_HasFocus) drawFocusRing(painter, option->rect, option->palette);
        return;
    default: QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void FocusRingStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    // A button's bevel, and the frame of a text box or list (a scroll area draws its frame with
    // the focus state of the whole control).
    if ((element == CE_PushButton || element == CE_ShapedFrame) && (option->state & State_HasFocus))
        drawFocusRing(painter, option->rect, option->palette);
}

int FocusRingStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    if (metric == PM_DefaultFrameWidth && qobject_cast<const QAbstractScrollArea*>(widget))
        return std::max(base, focusRingWidth);
    return base;
}

}  // namespace qatutor
