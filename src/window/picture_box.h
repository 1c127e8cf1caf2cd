// A picture box: white, with a logical scale, a picture of its own (none at first) and circle
// drawings kept on a canvas, so that they survive the window being covered.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace qatutor {

class PictureBoxWidget : public QWidget {
    Q_OBJECT
public:
    explicit PictureBoxWidget(QWidget* parent = nullptr);

    // Logical units across and down the whole box.
    void setScale(double width, double height);
    // A circle outline in logical units; the radius is measured on the horizontal scale.
    void drawCircle(double centreX, double centreY, double radius);

    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

    int circleCount() const { return circles_; }
    const QImage& canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Makes the canvas the widget's size, keeping what is drawn on it.
    void fitCanvas();

    double scaleWidth_ = 0;
    double scaleHeight_ = 0;
    QPixmap picture_;
    QImage canvas_;  // the drawings, transparent where nothing is drawn
    int circles_ = 0;
};

}  // namespace qatutor
