// Keeps the window usable on a screen smaller than its fixed client area (a large scale factor,
// a laptop screen): the window is made as large as the screen's available area allows, and the
// client area, with every control at its place, scrolls inside it. On a screen that holds the
// whole window nothing changes.
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <optional>

class QScrollArea;
class QWidget;

namespace qatutor {

// Where a window whose client area wants `clientSize` goes, given its frame's `margins`, its
// frame's `frame` rectangle now and the screen's `available` area (all in the same pixels): the
// new frame rectangle, or nothing when the frame fits the area as it is.
//   fittedFrame({725, 566}, {4, 24, 4, 4}, {0, 0, 733, 594}, {0, 0, 640, 512}) -> {0, 0, 640, 512}
std::optional<QRect> fittedFrame(QSize clientSize, QMargins margins, QRect frame, QRect available);

class ScreenFit : public QObject {
    Q_OBJECT
public:
    // Watches `window`, whose client area is `clientArea` (a child at the window's top-left
    // corner, of the window's size), from its first showing on.
    ScreenFit(QWidget* window, QWidget* clientArea);

    // The scroll area the client area was put in; nothing while the window fits its screen.
    QScrollArea* scrollArea() const { return scrollArea_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit(QMargins margins);
    void scrollClientArea();
    void showWhole(QWidget* control);

    static constexpr int margin = 8;  // pixels of the client area shown around a control

    QWidget* window_;
    QWidget* clientArea_;
    QScrollArea* scrollArea_ = nullptr;
    bool frameKnown_ = false;
};

}  // namespace qatutor
