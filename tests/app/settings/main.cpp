#include "tests/support/TestHome.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Its tests write the settings and the memo file; CTest runs them side by side.
    usePrivateTestHome();
    // Test discovery runs this binary at build time, without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
