// Test entry point: every test process gets its own temporary directory as
// TMPDIR and XDG_CONFIG_HOME, so tests never touch the user's settings and
// can run in parallel.
#include "test_support.h"

#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    std::string base = testing_support::IsolateEnvironment();
    if (base.empty()) {
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    testing_support::RemoveTree(base);
    return result;
}
