#include "window/picture_box.h"

#include <QPainter>

#include "window/focus_ring.h"

namespace qatutor {

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);  // a stop in the tab order, like the other controls
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void PictureBoxWidget::setScale(double width, double height) {
    scaleWidth_ = width;
    scaleHeight_ = height;
}

void PictureBoxWidget::resizeEvent(QResizeEvent*) {
    // Until a circle is drawn there is no canvas to keep: the window opens without one.
    if (!canvas_.isNull()) fitCanvas();
}

void PictureBoxWidget::fitCanvas() {
    if (canvas_.size() == size()) return;
    QImage resized(size(), QImage::Format_ARGB32_Premultiplied);
    resized.fill(Qt::transparent);
    if (!canvas_.isNull()) QPainter(&resized).drawImage(0, 0, canvas_);
    canvas_ = resized;
}

void PictureBoxWidget::drawCircle(double centreX, double centreY, double radius) {
    fitCanvas();
    const double unitsAcross = scaleWidth_ > 0 ? scaleWidth_ : width();
    const double unitsDown = scaleHeight_ > 0 ? scaleHeight_ : height();
    const double xScale = width() / unitsAcross;
    const double yScale = height() / unitsDown;
    QPainter painter(&canvas_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    const double r = radius * xScale;
    painter.drawEllipse(QPointF(centreX * xScale, centreY * yScale), r, r);
    ++circles_;
    update();
}

void PictureBoxWidget::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
    if (!canvas_.isNull()) painter.drawImage(0, 0, canvas_);
    if (hasFocus()) drawFocusRing(&painter, rect(), palette());
}

}  // namespace qatutor
