#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/system/system.h"

// Tests run in-process on Qt's offscreen platform unless told otherwise, so they need no display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(toolkit::kApplicationTitle);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
