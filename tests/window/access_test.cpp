// What a keyboard user and a student on a small screen meet: a focus ring that can be seen on
// every control that takes the focus, and a window frame fitted only where the screen is too
// small for it (the real window on small screens: tests/e2e/access_session.py).
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>

#include "window/control_table.h"
#include "window/focus_ring.h"
#include "window/prompt_dialog.h"
#include "window/screen_fit.h"
#include "window_fixture.h"

namespace qatutor::testing {
namespace {

// The share of a control's edge pixels in the highlight colour.
double ringShare(QWidget* control) {
    const QImage image = control->grab().toImage();
    const QColor ring = control->palette().color(QPalette::Active, QPalette::Highlight);
    int edge = 0;
    int inRing = 0;
    const int depth = focusRingWidth * static_cast<int>(image.devicePixelRatio());
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (x >= depth && y >= depth && x < image.width() - depth && y < image.height() - depth)
                continue;
            ++edge;
            if (image.pixelColor(x, y) == ring) ++inRing;
        }
    }
    return edge ? static_cast<double>(inRing) / edge : 0;
}

TEST_F(WindowTest, EveryControlThatTakesTheFocusShowsARing) {
    start();
    QApplication::setActiveWindow(&window);
    PromptDialog dialog(QStringLiteral("Assignment Number:  "));
    dialog.show();
    std::vector<QWidget*> controls;
    for (const ControlPlace& place : controlTable) {
        if (place.kind == ControlKind::label) continue;
        controls.push_back(window.findChild<QWidget*>(
            QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size()))));
    }
    controls.push_back(dialog.entry());
    controls.push_back(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel));
    for (QWidget* control : controls) {
        ASSERT_NE(control, nullptr);
        QApplication::setActiveWindow(control->window());
        window.questionBox()->setFocus();
        if (control == window.questionBox()) window.answerBox()->setFocus();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->setFocus();
        const double before = ringShare(control);
        control->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(control->hasFocus()) << control->objectName().toStdString();
        const double after = ringShare(control);
        // The whole edge is the ring, with room for a text box's scroll bar cutting through it.
        EXPECT_GT(after, 0.9) << control->objectName().toStdString();
        EXPECT_LT(before, 0.2) << control->objectName().toStdString();
    }
}

TEST(ScreenFit, TheFrameIsFittedOnlyWhereTheScreenIsTooSmall) {
    const QSize client(725, 566);
    const QMargins frame(4, 24, 4, 4);
    struct Case {
        const char* screen;
        QRect available;
        QPoint placed;  // where the window manager put the frame
        std::optional<QRect> expected;
    };
    const std::vector<Case> cases = {
        {"holds it", {0, 0, 1024, 768}, {10, 10}, std::nullopt},
        {"holds it exactly", {0, 0, 733, 594}, {0, 0}, std::nullopt},
        {"holds it, placed partly off the screen", {0, 0, 1024, 768}, {900, 700}, std::nullopt},
        {"scale 2 on 1280x1024", {0, 0, 640, 512}, {0, 0}, QRect(0, 0, 640, 512)},
        {"scale 1.5 on 1366x768, a panel on top",
         {0, 20, 910, 492},
         {100, 0},
         QRect(100, 20, 733, 492)},
        {"one pixel too narrow", {0, 0, 732, 768}, {40, 40}, QRect(0, 40, 732, 594)},
        {"a second screen on the right", {1024, 0, 640, 512}, {1100, 30}, QRect(1024, 0, 640, 512)},
    };
    for (const Case& c : cases) {
        const QRect placed(c.placed, client.grownBy(frame));
        EXPECT_EQ(fittedFrame(client, frame, placed, c.available), c.expected) << c.screen;
    }
}

}  // namespace
}  // namespace qatutor::testing
