#include "window/captions.h"

#include <QFontMetrics>
#include <QLabel>

#include "window/wrapping_button.h"

namespace qatutor {
namespace {

inline constexpr double pointStep = 0.25;

}  // namespace

CaptionArea captionArea(const QWidget* control) {
    if (const auto* button = qobject_cast<const WrappingButton*>(control))
        return {button->captionRect(), WrappingButton::captionFlags};
    const auto* label = qobject_cast<const QLabel*>(control);
    int flags = static_cast<int>(label->alignment());
    if (label->wordWrap()) flags |= Qt::TextWordWrap;
    return {label->contentsRect(), flags};
}

bool captionFits(const QFont& font, const CaptionArea& area, const QString& caption) {
    return area.rect.contains(QFontMetrics(font).boundingRect(area.rect, area.flags, caption));
}

std::optional<QFont> fittingFont(const QFont& font, const CaptionArea& area,
                                 const QString& caption) {
    if (captionFits(font, area, caption)) return font;
    // Measuring at a size loads the font at that size, which is most of what measuring costs. A
    // caption too long even at the smallest size is told at once, without loading every size
    // between; it would not fit at any of them.
    QFont candidate = font;
    candidate.setPointSizeF(smallestCaptionPoints);
    if (!captionFits(candidate, area, caption)) return std::nullopt;
    for (double points = font.pointSizeF() - pointStep; points > smallestCaptionPoints;
         points -= pointStep) {
        candidate.setPointSizeF(points);
        if (captionFits(candidate, area, caption)) return candidate;
    }
    candidate.setPointSizeF(smallestCaptionPoints);
    return candidate;
}

void fitCaption(QWidget* control, const QString& caption) {
    const std::optional<QFont> font = fittingFont(control->font(), captionArea(control), caption);
    if (font) control->setFont(*font);
    // The edge of the client area the control stands on, whether the window shows it whole or
    // scrolls it.
    const bool cutByTheEdge = !control->parentWidget()->rect().contains(control->geometry());
    control->setToolTip(!font || cutByTheEdge ? caption : QString());
}

}  // namespace qatutor
