// The desktop program's command line: a profile to start with, help and
// version, usage errors, and whether there is a display at all; and a start
// with a profile named there.
#include "app_test_support.h"
#include "command_line.h"
#include "list_controls.h"
#include "main_controls.h"
#include "string_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using Action = ProgramCommandLine::Action;

TEST(ProgramCommandLine, AProfileHelpVersionOrAUsageError) {
    const struct {
        std::vector<std::string> args;
        Action action;
        std::string profile;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"job.vqp"}, Action::Run, "job.vqp"},
        {{"/home/u/Projekte (alt)/job.vqp"}, Action::Run, "/home/u/Projekte (alt)/job.vqp"},
        {{"--", "-odd.vqp"}, Action::Run, "-odd.vqp"},
        {{"-h"}, Action::Help, ""},
        {{"job.vqp", "--help"}, Action::Help, ""},
        {{"-V"}, Action::Version, ""},
        {{"--version", "--bogus"}, Action::Version, ""},
        {{"--bogus"}, Action::UsageError, ""},
        {{"a.vqp", "b.vqp"}, Action::UsageError, ""},
        {{""}, Action::UsageError, ""},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) {
            joined += "[" + arg + "]";
        }
        SCOPED_TRACE(joined);
        ProgramCommandLine line = ParseProgramArguments(c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.profile, c.profile);
        EXPECT_EQ(line.error.empty(), c.action != Action::UsageError);
    }
    EXPECT_TRUE(AsksForHelpOrVersion({"-platform", "offscreen", "-V"}));
    EXPECT_FALSE(AsksForHelpOrVersion({"--", "-h"}));
}

TEST(ProgramCommandLine, ADisplayIsAPlatformOrAnXOrWaylandDisplay) {
    const struct {
        std::vector<std::string> args;
        const char* platform;
        const char* display;
        const char* wayland;
        bool has;
    } cases[] = {
        {{}, nullptr, nullptr, nullptr, false},
        {{}, "", "", "", false},
        {{}, nullptr, ":0", nullptr, true},
        {{}, nullptr, nullptr, "wayland-0", true},
        {{}, "offscreen", nullptr, nullptr, true},
        {{"-platform", "offscreen"}, nullptr, nullptr, nullptr, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasDisplay(c.args, c.platform, c.display, c.wayland), c.has);
    }
}

// The first main dialog starts with the profile loaded, as "Profil laden..."
// would load it; one that cannot be read says so with its name.
TEST(ProgramCommandLine, TheProfileNamedIsLoadedAtTheStart) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir / "job.vqp", "[General]\nDirectories=/home/u/Fotos [2024]\n");
    const struct {
        std::string profile;
        std::vector<std::string> directories;
        std::vector<int> messages;
    } cases[] = {
        {dir / "job.vqp", {"/home/u/Fotos [2024]"}, {}},
        {dir / "missing.vqp", {}, {kMsgCannotOpen}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        MessageScript messages;
        std::vector<std::string> shown;
        WhenModal<MainDialogWindow>([&shown](MainDialogWindow* window) {
            shown = BoxEntries(window->DirectoryList());
            window->EndDialog(1);
        });
        EXPECT_EQ(RunProgram(c.profile), 0);
        EXPECT_EQ(shown, c.directories);
        EXPECT_EQ(messages.Ids(), c.messages);
        if (!c.messages.empty()) {
            EXPECT_NE(messages.shown[0].text.find(c.profile), std::string::npos);
        }
    }
}

} // namespace
