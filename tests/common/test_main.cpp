// Test entry point: every test process gets its own temporary directory as
// TMPDIR and XDG_CONFIG_HOME, so tests never touch the user's settings and
// can run in parallel.
#include "test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string base = "/tmp/quintrel-test-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        return 2;
    }
    ::chmod(base.c_str(), 0755); // tests that drop privileges must reach their files
    std::string config = base + "/config";
    std::string tmp = base + "/tmp";
    testing_support::MakeDirs(config);
    testing_support::MakeDirs(tmp);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    testing_support::RemoveTree(base);
    return result;
}
