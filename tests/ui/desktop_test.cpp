// Opening a file with the desktop's program (through a stand-in xdg-open on
// PATH), the beep hook, and the version text.
#include "desktop.h"
#include "test_support.h"
#include "velmor_version.h"
#include "version_info.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Puts a script named xdg-open that records its arguments and ends with
// `exitCode` first on PATH for the life of the object.
class FakeXdgOpen {
public:
    explicit FakeXdgOpen(int exitCode) {
        std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir_ / "args" + "'\nexit " +
                             std::to_string(exitCode) + "\n";
        testing_support::WriteFile(dir_ / "xdg-open", script);
        ::chmod((dir_ / "xdg-open").c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.path() + ":" + oldPath_).c_str(), 1);
    }
    ~FakeXdgOpen() { ::setenv("PATH", oldPath_.c_str(), 1); }
    std::string Arguments() const {
        return testing_support::Exists(dir_ / "args") ? testing_support::ReadFile(dir_ / "args")
                                                      : "";
    }

private:
    testing_support::TempDir dir_;
    std::string oldPath_;
};

TEST(OpenWithAssociatedProgram, PassesThePathAsTheOnlyArgument) {
    FakeXdgOpen fake(0);
    EXPECT_TRUE(OpenWithAssociatedProgram("/tmp/a file; $(rm -rf x).txt"));
    EXPECT_EQ(fake.Arguments(), "/tmp/a file; $(rm -rf x).txt\n");
}

TEST(OpenWithAssociatedProgram, ExitCodesThreeAndFourMeanNoApplication) {
    for (int code : {3, 4}) {
        FakeXdgOpen fake(code);
        EXPECT_FALSE(OpenWithAssociatedProgram("/tmp/x.unknown")) << code;
    }
    FakeXdgOpen other(2); // any other failure counts as opened
    EXPECT_TRUE(OpenWithAssociatedProgram("/tmp/missing"));
}

TEST(OpenWithAssociatedProgram, NoXdgOpenAtAllMeansNoApplication) {
    testing_support::TempDir empty;
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", empty.path().c_str(), 1);
    bool opened = OpenWithAssociatedProgram("/tmp/x.txt");
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_FALSE(opened);
}

TEST(Version, FormatTakesThePartsInOrder) {
    EXPECT_EQ(Velmor_GetResourceFileVersion("%d.%d.%d"), VELMOR_VERSION_TEXT);
    EXPECT_EQ(Velmor_GetResourceFileVersion("v%d-%d 100%%"),
              "v" + std::to_string(VELMOR_VERSION_MAJOR) + "-" +
                  std::to_string(VELMOR_VERSION_MINOR) + " 100%");
    EXPECT_EQ(Velmor_GetResourceFileVersion("%d.%d.%d.%d.%d"),
              std::string(VELMOR_VERSION_TEXT) + ".0.");
}

} // namespace
