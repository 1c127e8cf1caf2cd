// A command button whose caption wraps onto several lines when the button is narrow, as the
// tutor's small buttons need; text() stays the caption as given.
#pragma once

#include <QPushButton>

namespace qatutor {

class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qatutor
