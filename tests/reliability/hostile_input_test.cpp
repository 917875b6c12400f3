// Hostile input against the built quintrel-batch: links planted under the
// names the program writes, directories swapped for links, file names built
// to be misread, profiles that are malformed or far too large, and lines of
// hundreds of megabytes of blanks under a memory limit.
#include "batch_process.h"
#include "commit_undo.h"
#include "json_value.h"
#include "test_support.h"
#include "tool_process.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using reliability::Difference;
using reliability::RunTool;
using reliability::Snapshot;
using reliability::ToolResult;
using reliability::ToolSetup;
using reliability::Tree;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

const std::string kDir = reliability::kDirectory;

class HostileInput : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    TempDir dir;
    TempDir outside;
};

TEST_F(HostileInput, LinksUnderTheProgramsOwnNamesNeverReachAVictim) {
    const std::string victim = outside / "victim";
    const std::string hardVictim = P("hard-victim");
    testing_support::WriteFile(victim, "precious\n");
    testing_support::WriteFile(hardVictim, "precious too\n");
    const Tree before = {{"a.txt", "Welt\n"},
                         {"a.txt.QUINTREL-TEMP", "-> " + victim},
                         {"b.txt", "Welt\n"},
                         {"c.txt", "Welt\n"},
                         {"c.txt.QUINTREL-TEMP", "-> " + outside / "not-yet"},
                         {"d.txt", "Welt\n"},
                         {"d.txt.QUINTREL-BACKUP", "-> " + victim}};
    reliability::MakeTree(dir.path(), before);
    // A hard link of another file under a temporary name.
    ASSERT_EQ(::link(hardVictim.c_str(), P("b.txt.QUINTREL-TEMP").c_str()), 0);

    ToolResult r = RunTool({"--dir", dir.path(), "--files", "*.txt", "--replace", "Welt", "Erde"});
    // The link under d.txt's backup name is never replaced: the run ends there.
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Fehler beim Umbenennen der Datei  '" + P("d.txt") + "'"),
              std::string::npos);
    EXPECT_EQ(ReadFile(victim), "precious\n");
    EXPECT_EQ(ReadFile(hardVictim), "precious too\n");
    EXPECT_FALSE(testing_support::Exists(outside / "not-yet"));
    EXPECT_EQ(Difference(Snapshot(dir.path()), {{"a.txt", "Erde\n"},
                                                {"b.txt", "Erde\n"},
                                                {"c.txt", "Erde\n"},
                                                {"d.txt", "Welt\n"},
                                                {"d.txt.QUINTREL-BACKUP", "-> " + victim},
                                                {"d.txt.QUINTREL-TEMP", "Erde\n"},
                                                {"hard-victim", "precious too\n"}}),
              "");

    // Undoing a kept run with a link planted under a temporary name.
    ::unlink(P("d.txt.QUINTREL-BACKUP").c_str());
    ::unlink(P("d.txt.QUINTREL-TEMP").c_str());
    const std::string log = outside / "run.log";
    ASSERT_EQ(RunTool({"--dir", dir.path(), "--files", "*.txt", "--replace", "Erde", "Mond",
                       "--keep", log})
                  .status,
              0);
    // The file is left as it is, with its backup, and reported.
    ASSERT_EQ(::symlink(victim.c_str(), P("a.txt.QUINTREL-TEMP").c_str()), 0);
    EXPECT_EQ(RunTool({"--undo-log", log}).status, 1);
    EXPECT_EQ(ReadFile(victim), "precious\n");
    EXPECT_EQ(ReadFile(P("a.txt")), "Mond\n");
    EXPECT_EQ(ReadFile(P("a.txt.QUINTREL-BACKUP")), "Erde\n");
    EXPECT_EQ(ReadFile(P("b.txt")), "Erde\n");
    EXPECT_EQ(RunTool({"--recover", dir.path()}).status, 1);
}

// Whoever may write in the tree swaps a directory for a link to another
// place after the scan listed it: the run never follows it, on the way to
// the file nor when it finishes the run.
TEST_F(HostileInput, ADirectorySwappedForALinkAfterTheScanIsNeverFollowed) {
    for (bool later : {false, true}) {
        SCOPED_TRACE(later ? "swapped before the run is finished" : "swapped during the run");
        TempDir tree;
        TempDir elsewhere;
        reliability::MakeTree(tree.path(), {{"a/1.txt", "Welt\n"}, {"b/2.txt", "Welt\n"}});
        reliability::MakeTree(elsewhere.path(), {{"2.txt", "Welt\n"}});
        auto swap = [&] {
            ASSERT_EQ(::rename((tree / "b").c_str(), (tree / "b.moved").c_str()), 0);
            ASSERT_EQ(::symlink(elsewhere.path().c_str(), (tree / "b").c_str()), 0);
        };
        BatchProcess::Setup setup = reliability::ProcessSetup({});
        setup.kind = BatchProcess::Input::Terminal;
        TempDir logs;
        std::vector<std::string> args = {"--dir",  tree.path(), "--subdirs", "--files",
                                         "*.txt",  "--replace", "Welt",      "Erde",
                                         "--crlf", "--confirm", "--answer",  "2008=5"};
        if (later) {
            args.insert(args.end(), {"--keep", logs / "run.log"});
        }
        BatchProcess tool(args, setup);
        ASSERT_TRUE(tool.WaitForError(tree / "a/1.txt"));
        if (!later) {
            swap();
            // A second question may only come when the link was followed.
            tool.Type("6\n6\n");
        } else {
            tool.Type("6\n");
        }
        if (later) {
            ASSERT_TRUE(tool.WaitForError(tree / "b/2.txt"));
            tool.Type("6\n");
        }
        ToolResult r = tool.Finish();
        if (later) {
            // Both changed; then the swap, then the kept run is undone.
            ASSERT_EQ(r.status, 0) << r.err;
            swap();
            ToolResult undone = RunTool({"--undo-log", logs / "run.log"});
            EXPECT_EQ(undone.status, 1);
            EXPECT_EQ(Snapshot(elsewhere.path()), (Tree{{"2.txt", "Welt\n"}}));
            EXPECT_EQ(ReadFile(tree / "b.moved/2.txt"), "Erde\r\n");
            EXPECT_EQ(ReadFile(tree / "b.moved/2.txt.QUINTREL-BACKUP"), "Welt\n");
        } else {
            EXPECT_NE(r.err.find("Die Datei  '" + tree / "b/2.txt" + "'  kann nicht geöffnet"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(Snapshot(elsewhere.path()), (Tree{{"2.txt", "Welt\n"}}));
            EXPECT_EQ(ReadFile(tree / "b.moved/2.txt"), "Welt\n");
        }
        EXPECT_EQ(ReadFile(tree / "a/1.txt"), later ? "Welt\n" : "Erde\r\n");
    }
}

TEST_F(HostileInput, NamesBuiltToBeMisreadAreProcessedOrLeftOutNeverConfused) {
    // Processed: every name a line-based list can carry.
    const std::vector<std::string> processed = {
        "with blank.txt",     "'single'.txt", "\"double\".txt",
        "semi;colon.txt",     "-dash.txt",    "--help",
        "caf\xe9 latin1.txt", "%s%s.txt",     "back\\slash.txt",
        "tab\tin.txt",        "line",         "break.txt",
        "trail.txt",          "cr.txt",       "-odd dir;'/in.txt",
        "$(touch pwned).txt",
    };
    // Left out: a line break in the name, or a last byte of 0x20 or less
    // (each has a decoy above that must be changed exactly once).
    const std::vector<std::string> leftOut = {"line\nbreak.txt", "trail.txt ", "cr.txt\r",
                                              "tab.txt\t"};
    Tree before;
    for (const std::string& name : processed) {
        before[name] = "Welt\n";
    }
    for (const std::string& name : leftOut) {
        before[name] = "Welt\n";
    }
    reliability::MakeTree(dir.path(), before);
    before["-odd dir;'"] = kDir;

    const std::string log = outside / "run.log";
    ToolSetup setup;
    setup.cwd = dir.path(); // a path misread as relative would name a file here
    ToolResult r = RunTool({"--dir", ".", "--subdirs", "--files", "*", "--replace", "Welt", "Erde",
                            "--keep", log, "--json"},
                           setup);
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = ParseJson(r.out);
    ASSERT_TRUE(json.has_value()) << r.out;
    std::vector<std::string> changed = (*json)["changed"].Strings();
    std::vector<std::string> wanted;
    for (const std::string& name : processed) {
        wanted.push_back(P(name));
    }
    std::sort(changed.begin(), changed.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(changed, wanted); // each once, by its exact name
    EXPECT_EQ((*json)["FilesProcessed"].number, static_cast<double>(processed.size()));
    // The change log names the same files, byte for byte.
    std::vector<std::string> logged = ReadChangeLog(log);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged, wanted);
    Tree after = Snapshot(dir.path());
    for (const std::string& name : processed) {
        EXPECT_EQ(after[name], "Erde\n") << name;
        EXPECT_EQ(after[name + ".QUINTREL-BACKUP"], "Welt\n") << name;
    }
    for (const std::string& name : leftOut) {
        EXPECT_EQ(after[name], "Welt\n") << name;
        EXPECT_EQ(after.count(name + ".QUINTREL-BACKUP"), 0u) << name;
    }
    EXPECT_FALSE(testing_support::Exists(P("pwned")));

    // Undoing the kept run gives back exactly what was there.
    EXPECT_EQ(RunTool({"--undo-log", log}).status, 0);
    EXPECT_EQ(Difference(Snapshot(dir.path()), before), "");

    // A directory whose name starts with '-' is named on the command line as
    // it stands, never taken for an option.
    ToolResult dashed = RunTool({"--dir", "-odd dir;'", "--files", "in.txt", "--replace", "Welt",
                                 "Erde", "--undo", "--json"},
                                setup);
    EXPECT_EQ(dashed.status, 0) << dashed.err;
    auto dashedJson = ParseJson(dashed.out);
    ASSERT_TRUE(dashedJson.has_value()) << dashed.out;
    EXPECT_EQ((*dashedJson)["changed"].Strings(), std::vector<std::string>{P("-odd dir;'/in.txt")});
    EXPECT_EQ(Difference(Snapshot(dir.path()), before), "");
}

// A profile file of `bytes`, run with the options that make a complete job;
// the job must be the options' job on top of the defaults.
// Lines of hundreds of megabytes of blanks, stripped at their ends, under an
// address space limit of half their size: the streamed line never holds its
// blanks (it writes them and takes them back), and the result is exact.
TEST_F(HostileInput, HugeLinesOfBlanksUnderAMemoryLimit) {
    constexpr std::size_t kMegabyte = 1 << 20;
    constexpr std::size_t kBlankMegabytes = 300; // per line; two such lines
    ToolSetup limited;
    limited.addressSpaceLimit = 300LL << 20;
    limited.watchdogSeconds = 120;
    if (RunTool({"--version"}, limited).status != 0) {
        GTEST_SKIP() << "this build of the tool cannot start under a 300 MB address space limit "
                        "(a sanitizer build)";
    }
    {
        const std::string path = P("blanks.txt");
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const std::string blanks(kMegabyte, ' ');
        auto put = [&](const std::string& text) {
            ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        };
        put("Anfang Welt\nx");
        for (std::size_t i = 0; i < kBlankMegabytes; ++i) {
            put(blanks); // a line with a text and then blanks
        }
        put("\n");
        for (std::size_t i = 0; i < kBlankMegabytes; ++i) {
            put(blanks); // a line of blanks only
        }
        put("\nEnde Welt  \n");
        ::close(fd);
    }
    ToolResult r = RunTool({"--dir", dir.path(), "--files", "*.txt", "--replace", "Welt", "Erde",
                            "--crlf", "--strip-trailing-spaces"},
                           limited);
    EXPECT_EQ(r.signal, 0) << "the tool was ended by a signal (out of memory?)";
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        Difference(Snapshot(dir.path()), {{"blanks.txt", "Anfang Erde\r\nx\r\n\r\nEnde Erde\r\n"}}),
        "");
}

class HostileProfiles : public HostileInput {
protected:
    void ExpectDefaultsPlusOptions(const std::string& profile, const std::string& name) {
        SCOPED_TRACE(name);
        reliability::ResetTree(P("tree"), {{"a.txt", "Welt und welt\n"}});
        ToolResult r = RunTool({"--profile", profile, "--dir", P("tree"), "--files", "*.txt",
                                "--replace", "Welt", "Erde", "--json"});
        auto json = ParseJson(r.out);
        ASSERT_TRUE(json.has_value()) << r.out;
        // A directory the profile names that does not exist is reported
        // (2509) and makes the exit status 1.
        const bool notSearched = r.err.find("konnten nicht durchsucht werden") != std::string::npos;
        EXPECT_EQ(r.status, notSearched ? 1 : 0) << r.err;
        EXPECT_EQ((*json)["FilesChanged"].number, 1);
        // Case matters, the position is anywhere, the coding ANSI: defaults;
        // a profile without a line-end setting writes CR LF.
        EXPECT_EQ(ReadFile(P("tree/a.txt")), "Erde und welt\r\n");
    }
};

TEST_F(HostileProfiles, MalformedProfilesLoadAsDefaults) {
    std::mt19937 random(8);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    const std::vector<std::pair<std::string, std::string>> profiles = {
        {"binary garbage", garbage},
        {"empty", ""},
        {"an open section", "["},
        {"values out of every range",
         "[General]\nPosition=99999999999999999999\nCode=-7\nDateDependency=abc\n"
         "CapsLock=\nPerformReplace=1x\nSubdirs=+\n"},
        {"broken escapes", "[General]\nReplace=\\x\\\\\\t\\\nFiles=\\x0g\\t\\\nDirectories=\\\n"},
        {"a long section name", "[" + std::string(1 << 20, '[') + "]\nCode=2\n"},
        {"duplicate sections and names",
         "[General]\nCode=1\n[General]\nCode=2\n" + std::string(100000, '\n') + "[general]\n"},
        {"zero bytes in names", std::string("[General]\nCo\0de=2\nCapsLock\0=1\n", 30)},
    };
    for (const auto& [name, bytes] : profiles) {
        const std::string profile = outside / "p.vqp";
        testing_support::WriteFile(profile, bytes);
        ExpectDefaultsPlusOptions(profile, name);
    }
}

TEST_F(HostileProfiles, OversizedProfilesLoadOrAreRefusedWithoutACrash) {
    // Values far beyond any buffer of the original: a huge unknown value, a
    // huge line without '=', a huge date.
    const std::string big = outside / "big.vqp";
    testing_support::WriteFile(big, "[General]\nComment=" + std::string(16 << 20, 'x') + "\n" +
                                        std::string(4 << 20, 'y') +
                                        "\nCompareDate=" + std::string(4 << 20, '1') + "\n");
    ExpectDefaultsPlusOptions(big, "a 16 MB value");

    // Beyond what is ever read as a profile (a sparse file: nothing is
    // written), and things that are no file at all: refused, quickly.
    const std::string huge = outside / "huge.vqp";
    int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 600LL << 20), 0);
    ::close(fd);
    const std::string fifo = outside / "fifo.vqp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& profile : {huge, fifo, std::string("/dev/zero"), outside.path()}) {
        SCOPED_TRACE(profile);
        ToolResult r = RunTool({"--profile", profile, "--dir", dir.path(), "--files", "*"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "das Profil '" + profile +
                             "' kann nicht gelesen werden\n'quintrel-batch --help' zeigt alle "
                             "Optionen.\n");
    }
}

} // namespace
