// Captions of the window's buttons and labels, readable whole inside their fixed rectangles.
//
// A control keeps its place and size. Where its caption does not fit at the window's font, the
// control draws it smaller, down to smallestCaptionPoints. A caption that does not fit even then
// (the window's very small controls), or a control that the window's edge cuts off, carries the
// whole caption as its tooltip.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <optional>

class QWidget;

namespace qatutor {

inline constexpr double smallestCaptionPoints = 6.0;

// Where a button or label draws its caption, and how the caption is laid out there.
struct CaptionArea {
    QRect rect;
    int flags;
};
CaptionArea captionArea(const QWidget* control);

bool captionFits(const QFont& font, const CaptionArea& area, const QString& caption);

// The largest size from `font`'s own down to the smallest at which `caption` fits `area`;
// nothing when it fits at none.
std::optional<QFont> fittingFont(const QFont& font, const CaptionArea& area,
                                 const QString& caption);

// Gives a button or label (already at its place in its window) the font its caption fits at,
// and the caption as tooltip where the control cannot show it whole.
void fitCaption(QWidget* control, const QString& caption);

}  // namespace qatutor
