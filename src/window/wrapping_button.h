// A command button whose caption wraps onto several lines when the button is narrow, as the
// tutor's small buttons need; text() stays the caption as given. Return, like Space, presses
// the button that has the focus, when the key is let go, however the system reports the key.
#pragma once

#include <QPushButton>

namespace qatutor {

class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    WrappingButton(const QString& caption, QWidget* parent);

    static constexpr int captionFlags = Qt::AlignCenter | Qt::TextWordWrap;
    // Where the caption is drawn: the button less a small margin.
    QRect captionRect() const { return rect().adjusted(2, 1, -2, -1); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

}  // namespace qatutor
