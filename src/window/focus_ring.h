// The application's style with a focus ring that can be seen: every control that has the focus
// (button, text box, list, picture box) is outlined by a solid two-pixel rectangle in the
// highlight colour, whether it got the focus by keyboard or by mouse.
#pragma once

#include <QProxyStyle>

class QPainter;
class QWidget;

namespace qatutor {

inline constexpr int focusRingWidth = 2;

class FocusRingStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    // A text box's or list's frame is as wide as the ring, which would otherwise hide in part
    // under the box's contents.
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

// Draws the ring along the inside of `rect`.
void drawFocusRing(QPainter* painter, const QRect& rect, const QPalette& palette);

}  // namespace qatutor
