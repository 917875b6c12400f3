// Opening a file with the desktop's program never passes through a shell:
// whatever a path holds (quotes of both kinds, command substitution, command
// separators, a line break, glob characters), a stand-in xdg-open receives it
// as its one and only argument, byte for byte, and nothing in it is run.
#include "open_and_wait.h"
#include "test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(OpenWithoutShell, AnyPathIsOneArgumentAndNothingInItRuns) {
    testing_support::TempDir dir;
    // The stand-in writes how many arguments it got, then each one followed
    // by a zero byte, so a line break inside an argument stays visible.
    testing_support::WriteFile(dir / "xdg-open",
                               "#!/bin/sh\nprintf '%s\\n' \"$#\" > '" + dir / "args" +
                                   "'\nprintf '%s\\0' \"$@\" >> '" + dir / "args" + "'\nexit 0\n");
    ::chmod((dir / "xdg-open").c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ::setenv("PATH", (dir.path() + ":" + savedPath).c_str(), 1);
    const std::string marker = dir / "ran";
    const std::vector<std::string> paths = {
        "/tmp/it's here.txt",
        "/tmp/\"quoted\" name.txt",
        "/tmp/x'; touch '" + marker + "'; '.txt",
        "/tmp/$(touch " + marker + ").txt",
        "/tmp/`touch " + marker + "`.txt",
        "/tmp/a && touch " + marker + " || b.txt",
        "/tmp/line\nbreak | touch " + marker,
        "/tmp/*.txt",
        "/tmp/back\\slash $HOME ~ {a,b}.txt",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ::unlink((dir / "args").c_str());
        EXPECT_EQ(OpenAndWait(path), true);
        EXPECT_EQ(testing_support::ReadFile(dir / "args"), "1\n" + path + std::string(1, '\0'));
        EXPECT_FALSE(testing_support::Exists(marker));
    }
    // A name that is not valid UTF-8 goes as a file URL that names exactly
    // its bytes.
    ::unlink((dir / "args").c_str());
    EXPECT_EQ(OpenAndWait("/tmp/gr\xFC\xDF e 100%.txt"), true);
    EXPECT_EQ(testing_support::ReadFile(dir / "args"),
              "1\nfile:///tmp/gr%FC%DF%20e%20100%25.txt" + std::string(1, '\0'));
    ::setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
