// GoogleTest's main for the window tests, with the Qt application they need.
#include <gtest/gtest.h>

#include <QApplication>

#include "window/accessibility.h"
#include "window/refusal_notice.h"

int main(int argc, char** argv) {
    // Offscreen unless told otherwise, so the tests need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Notices go at the next key press; the tests of their time in sight set one.
    qatutor::RefusalNotice::setMinimumTimeInSight({});
    qatutor::installAccessibility();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
