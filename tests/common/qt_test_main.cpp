// Test entry point of the window tests: the isolated environment of every
// test process, and the application object the widgets need. Run with
// QT_QPA_PLATFORM=offscreen (ctest sets it), so no display is needed.
#include "test_support.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    std::string base = testing_support::IsolateEnvironment();
    if (base.empty()) {
        return 2;
    }
    // Also when the tests are listed at build time, outside ctest.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    testing_support::RemoveTree(base);
    return result;
}
