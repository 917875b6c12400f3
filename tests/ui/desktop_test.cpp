// Opening a file with the desktop's program (through a stand-in xdg-open on
// PATH), the beep hook, and the version text.
#include "open_and_wait.h"
#include "test_support.h"
#include "velmor_version.h"
#include "version_info.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Puts a script named xdg-open that records its arguments and ends with
// `exitCode` first on PATH for the life of the object.
class FakeXdgOpen {
public:
    // `before` runs between recording the arguments and the end.
    explicit FakeXdgOpen(int exitCode, const std::string& before = "") {
        std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir_ / "args" + "'\n" +
                             before + "\nexit " + std::to_string(exitCode) + "\n";
        testing_support::WriteFile(dir_ / "xdg-open", script);
        ::chmod((dir_ / "xdg-open").c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_.path() + ":" + oldPath_).c_str(), 1);
    }
    ~FakeXdgOpen() { ::setenv("PATH", oldPath_.c_str(), 1); }
    std::string Path(const char* name) const { return dir_ / name; }
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
    EXPECT_EQ(OpenAndWait("/tmp/a file; $(rm -rf x).txt"), true);
    EXPECT_EQ(fake.Arguments(), "/tmp/a file; $(rm -rf x).txt\n");
}

TEST(OpenWithAssociatedProgram, ExitCodesThreeAndFourMeanNoApplication) {
    for (int code : {3, 4}) {
        FakeXdgOpen fake(code);
        EXPECT_EQ(OpenAndWait("/tmp/x.unknown"), false) << code;
    }
    FakeXdgOpen other(2); // any other failure counts as opened
    EXPECT_EQ(OpenAndWait("/tmp/missing"), true);
}

TEST(OpenWithAssociatedProgram, NoXdgOpenAtAllMeansNoApplication) {
    testing_support::TempDir empty;
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", empty.path().c_str(), 1);
    std::optional<bool> opened = OpenAndWait("/tmp/x.txt");
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(opened, false);
}

// An opener that keeps running (xdg-open waiting for the viewer under a
// plain window manager) counts as started after the short wait, and the
// window goes on handling what comes in meanwhile, at once.
TEST(OpenWithAssociatedProgram, AnOpenerThatKeepsRunningNeverHoldsTheWindow) {
    testing_support::TempDir dir;
    std::string pidFile = dir / "pid";
    FakeXdgOpen waiting(4, "echo $$ > '" + pidFile + "'\nexec sleep 600");
    std::optional<bool> result;
    QObject context;
    OpenWithAssociatedProgram("/tmp/a.pdf", &context, [&result](bool opened) { result = opened; });
    EXPECT_FALSE(result.has_value()); // the call came back before any answer
    // A click made while the opener runs is handled before the answer.
    bool clicked = false;
    std::optional<bool> resultWhenClicked;
    QTimer::singleShot(0, [&] {
        clicked = true;
        resultWhenClicked = result;
    });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 60000);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(resultWhenClicked.has_value());
    EXPECT_EQ(result, true);
    QTRY_VERIFY(testing_support::Exists(pidFile));
    const std::string pid = std::to_string(std::stoi(testing_support::ReadFile(pidFile)));
    ::kill(std::stoi(pid), SIGTERM);
    // Once the opener has ended and been reaped, its process object goes.
    QTRY_VERIFY(!testing_support::Exists("/proc/" + pid));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
