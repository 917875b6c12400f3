#include "directory_scan.h"
#include "file_names.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::MakeDirs;
using testing_support::ReadLines;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

struct ScanOutcome {
    int result = 0;
    long listed = 0;
    std::vector<std::string> paths;
};

ScanOutcome Scan(const std::vector<std::string>& directories, const std::string& files,
                 unsigned flags = ScanAlways, const DateTimeStruct* compare = nullptr) {
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    ScanRequest request;
    request.files = files;
    request.flags = flags;
    request.compare = compare;
    ScanOutcome outcome;
    outcome.result = Velmor_ScanDirectory(directories, request, 0, list, 0);
    outcome.listed = request.filesListed;
    outcome.paths = ReadLines(list);
    ::unlink(list.c_str());
    return outcome;
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"b.txt", "a.txt", "c.doc", "sub/z.txt", "sub/deeper/y.txt",
                              "sub2/x.txt", ".hidden.txt"}) {
            WriteFile(dir / f, "x");
        }
    }
    std::string P(const std::string& relative) { return dir / relative; }
    TempDir dir;
};

TEST_F(ScanTest, ListsMatchingFilesSortedFilesBeforeSubdirectories) {
    auto outcome = Scan({dir.path()}, "*.txt", ScanAlways | ScanSubdirs);
    EXPECT_EQ(outcome.result, ScanDone);
    std::vector<std::string> expected = {
        P(".hidden.txt"),      P("a.txt"),     P("b.txt"), P("sub/z.txt"),
        P("sub/deeper/y.txt"), P("sub2/x.txt")};
    EXPECT_EQ(outcome.paths, expected);
    EXPECT_EQ(outcome.listed, 6);

    auto flat = Scan({dir.path()}, "*.txt");
    EXPECT_EQ(flat.paths, (std::vector<std::string>{P(".hidden.txt"), P("a.txt"), P("b.txt")}));
}

TEST_F(ScanTest, SeveralFileGroupsJoinedByTab) {
    auto outcome = Scan({dir.path()}, "*.doc\ta.*\t");
    EXPECT_EQ(outcome.paths, (std::vector<std::string>{P("a.txt"), P("c.doc")}));
}

TEST_F(ScanTest, OverlappingDirectoryEntriesListEveryFileOnce) {
    auto outcome = Scan({dir.path(), dir.path() + "/", dir.path() + "/sub", dir.path() + "//"},
                        "*.txt", ScanAlways | ScanSubdirs);
    EXPECT_EQ(outcome.listed, 6);
    // The one below, listed first, is scanned first and skipped later.
    auto reversed = Scan({dir.path() + "/sub", dir.path()}, "*.txt", ScanAlways | ScanSubdirs);
    EXPECT_EQ(reversed.listed, 6);
    EXPECT_EQ(reversed.paths.front(), P("sub/z.txt"));
    // Joined by ';' as the dialog's list gives them.
    ScanRequest request;
    request.files = "*.txt";
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    EXPECT_EQ(Velmor_ScanDirectory(dir.path() + ";" + dir.path() + "/sub;", request, 0, list, 0),
              ScanDone);
    EXPECT_EQ(request.filesListed, 4);
}

TEST_F(ScanTest, MissingDirectoriesListNothingAndAreNoFailure) {
    auto outcome = Scan({dir / "nope", dir.path()}, "a.txt");
    EXPECT_EQ(outcome.result, ScanDone);
    EXPECT_EQ(outcome.paths, std::vector<std::string>{P("a.txt")});
}

TEST_F(ScanTest, RelativeDirectoriesAreTakenFromTheCurrentDirectory) {
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    auto outcome = Scan({"sub"}, "*.txt");
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(outcome.paths, std::vector<std::string>{P("sub/z.txt")});
}

TEST_F(ScanTest, LinksAreFollowedOnlyWhereListed) {
    ASSERT_EQ(::symlink((dir / "sub").c_str(), (dir / "linkdir").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "a.txt").c_str(), (dir / "link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(dir.path().c_str(), (dir / "sub/loop").c_str()), 0);
    auto outcome = Scan({dir.path()}, "*.txt", ScanAlways | ScanSubdirs);
    EXPECT_EQ(outcome.listed, 6) << "neither the file link nor the directory links count";
    for (const auto& path : outcome.paths) {
        EXPECT_EQ(path.find("link"), std::string::npos) << path;
    }
    // A listed directory that is a link is followed; its files are named
    // through the link, as the user wrote it.
    auto viaLink = Scan({dir / "linkdir"}, "*.txt");
    EXPECT_EQ(viaLink.paths, std::vector<std::string>{P("linkdir/z.txt")});
    // Listing the link and the real directory scans it once.
    EXPECT_EQ(Scan({dir / "linkdir", dir / "sub"}, "*.txt").listed, 1);
}

TEST_F(ScanTest, SpecialFilesAndTheProgramsOwnFilesAreNotListed) {
    ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    WriteFile(dir / "a.txt.QUINTREL-BACKUP", "old");
    WriteFile(dir / "a.txt.QUINTREL-TEMP", "new");
    auto outcome = Scan({dir.path()}, "*");
    for (const auto& path : outcome.paths) {
        EXPECT_EQ(path.find("pipe"), std::string::npos);
        EXPECT_EQ(path.find("QUINTREL"), std::string::npos);
    }
    EXPECT_EQ(outcome.listed, 4);
}

TEST_F(ScanTest, NamesTheListCannotCarryAreLeftOut) {
    WriteFile(dir / "line\nbreak.txt", "x");
    WriteFile(dir / "trailing.txt ", "x");
    WriteFile(dir / "tab.txt\t", "x");
    WriteFile(dir / "semi;colon.txt", "x");
    WriteFile(dir / "ok \xE4.txt", "x");
    auto outcome = Scan({dir.path()}, "*");
    EXPECT_EQ(outcome.paths,
              (std::vector<std::string>{P(".hidden.txt"), P("a.txt"), P("b.txt"), P("c.doc"),
                                        P("ok \xE4.txt"), P("semi;colon.txt")}));
}

TEST_F(ScanTest, ExcludedFilesAreNeverListed) {
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    ScanRequest request;
    request.files = "*.txt";
    request.excludedFiles = {dir / "a.txt"};
    ASSERT_EQ(Velmor_ScanDirectory(std::vector<std::string>{dir.path()}, request, 0, list, 0),
              ScanDone);
    EXPECT_EQ(ReadLines(list), (std::vector<std::string>{P(".hidden.txt"), P("b.txt")}));
}

TEST_F(ScanTest, DateFilterAtTheBoundarySecond) {
    DateTimeStruct compare{2025, 6, 1, 12, 0, 0};
    std::time_t t = 0;
    ASSERT_TRUE(DateTimeStruct_To_TimeT(compare, t));
    testing_support::SetModificationTime(P("a.txt"), t - 1);
    testing_support::SetModificationTime(P("b.txt"), t);
    testing_support::SetModificationTime(P(".hidden.txt"), t + 1);
    auto newer = Scan({dir.path()}, "*.txt", ScanAlways | ScanNewerOrEqual, &compare);
    EXPECT_EQ(newer.paths, (std::vector<std::string>{P(".hidden.txt"), P("b.txt")}));
    auto older = Scan({dir.path()}, "*.txt", ScanAlways | ScanOlder, &compare);
    EXPECT_EQ(older.paths, std::vector<std::string>{P("a.txt")});
    // Without a comparison time the filter cannot work: the scan fails.
    EXPECT_EQ(Scan({dir.path()}, "*.txt", ScanAlways | ScanOlder, nullptr).result, ScanFailed);
}

TEST_F(ScanTest, ProgressReportsDirectoriesAndCanStop) {
    std::vector<std::string> seen;
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    ScanRequest request;
    request.files = "*";
    request.flags = ScanAlways | ScanSubdirs;
    request.progress = [&](const std::string& directory) {
        seen.push_back(directory);
        return seen.size() < 3;
    };
    EXPECT_EQ(Velmor_ScanDirectory(std::vector<std::string>{dir.path()}, request, 0, list, 0),
              ScanStopped);
    EXPECT_EQ(seen, (std::vector<std::string>{dir.path(), P("sub"), P("sub/deeper")}));
}

// Subdirectories are reached from their open parent directory: a deep tree
// is listed whole (also below the depth where parents stay open), and a
// directory swapped for a link while its subdirectories are still to come
// does not lead the scan out of the tree.
TEST_F(ScanTest, DeepTreesAndADirectorySwappedForALinkDuringTheScan) {
    std::string deep = P("deep");
    std::vector<std::string> expected;
    for (int level = 0; level < 80; ++level) {
        deep += "/d";
        WriteFile(deep + "/f.txt", "x");
        expected.push_back(deep + "/f.txt");
    }
    EXPECT_EQ(Scan({P("deep")}, "*.txt", ScanAlways | ScanSubdirs).paths, expected);

    WriteFile(P("tree/a/b/f.txt"), "x");
    WriteFile(P("outside/a/b/secret.txt"), "x");
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    ScanRequest request;
    request.files = "*.txt";
    request.flags = ScanAlways | ScanSubdirs;
    request.progress = [&](const std::string& directory) {
        if (directory == P("tree/a")) {
            EXPECT_EQ(::rename(P("tree").c_str(), P("moved").c_str()), 0);
            EXPECT_EQ(::symlink(P("outside").c_str(), P("tree").c_str()), 0);
        }
        return true;
    };
    EXPECT_EQ(Velmor_ScanDirectory(std::vector<std::string>{P("tree")}, request, 0, list, 0),
              ScanDone);
    EXPECT_EQ(ReadLines(list), std::vector<std::string>{P("tree/a/b/f.txt")});
    ::unlink(list.c_str());
}

TEST_F(ScanTest, AnUnwritableListFileIsAFailure) {
    ScanRequest request;
    request.files = "*";
    EXPECT_EQ(Velmor_ScanDirectory(std::vector<std::string>{dir.path()}, request, 0,
                                   dir / "no/such/list", 0),
              ScanFailed);
    EXPECT_NE(request.error, 0);
}

TEST(Wildcards, MatchLikeFindName) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.txt", "a.txt", true},
        {"*.txt", "a.TXT", false},
        {"*.txt", ".txt", true},
        {"*.*", "README", false},
        {"*", "", true},
        {"?", "\xC3\xA4", true},
        {"??", "\xC3\xA4", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*a*b*", "xxaxxbxx", true},
        {"*a*b", "ab_ab_a", false},
        {"br*f.t?t", "brief.txt", true},
        {"\xC3\xA4*", "\xC3\xA4rger", true},
        {"?rger", "\xC3\x84rger", true},
        {"?", "\xFF", true},
        {"*.c", "a.cc", false},
        {"**x", "ax", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match);
    }
}

// A folder that cannot be read lists nothing and the rest of the scan goes on.
// Permissions bind only an unprivileged user, so under root the scan runs in
// a child process that gives up its privileges first.
TEST_F(ScanTest, UnreadableFoldersListNothing) {
    WriteFile(dir / "locked/secret.txt", "x");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
    std::string list = dir / "list";
    WriteFile(list, "");
    ASSERT_EQ(::chmod(list.c_str(), 0666), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        ScanRequest request;
        request.files = "*.txt";
        request.flags = ScanAlways | ScanSubdirs;
        int result =
            Velmor_ScanDirectory(std::vector<std::string>{dir.path()}, request, 0, list, 0);
        ::_exit(result == ScanDone ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod((dir / "locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    auto paths = ReadLines(list);
    EXPECT_EQ(paths.size(), 6u);
    for (const auto& path : paths) {
        EXPECT_EQ(path.find("secret"), std::string::npos);
    }
}

} // namespace
