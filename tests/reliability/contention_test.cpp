// Other programs at work on the same files while a run rewrites them: a
// second run of the tool (at once, while the first waits for a confirmation,
// or while the first is stopped at any step of a rewrite), a program that
// changes a file between the run's reading and its renaming, a program that
// keeps a file open and appends to it, and one that merely opens a file while
// it is renamed. Whatever the order, a change a run reports as made is in the
// file, a later change by another program is never lost, and every file
// holds the content of one run, of both, or its own.
#include "commit_undo.h"
#include "json_value.h"
#include "test_support.h"
#include "tool_process.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <set>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using reliability::Next;
using reliability::PendingCall;
using reliability::ProcessSetup;
using reliability::RunTool;
using reliability::Snapshot;
using reliability::ToolResult;
using reliability::ToolSetup;
using reliability::Tree;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

const std::string kBackup = ".QUINTREL-BACKUP";
const std::string kTemporary = ".QUINTREL-TEMP";
const std::string kQuestionPrompt = "Antwort (6 Ja, 7 Nein, 2 Abbrechen): ";

// The two runs: A replaces "Alpha", B replaces "Beta" (both write CR LF).
const std::string kOriginal = "Alpha Beta\n";
const std::string kByA = "Eins Beta\r\n";
const std::string kByB = "Alpha Zwei\r\n";
const std::string kByBoth = "Eins Zwei\r\n";

std::vector<std::string> RunA(const std::vector<std::string>& directories,
                              std::vector<std::string> extra = {}) {
    std::vector<std::string> args;
    for (const std::string& directory : directories) {
        args.insert(args.end(), {"--dir", directory});
    }
    args.insert(args.end(), {"--files", "*.txt", "--replace", "Alpha", "Eins", "--crlf"});
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::vector<std::string> RunB(const std::vector<std::string>& directories,
                              std::vector<std::string> extra = {}) {
    std::vector<std::string> args;
    for (const std::string& directory : directories) {
        args.insert(args.end(), {"--dir", directory});
    }
    args.insert(args.end(), {"--files", "*.txt", "--replace", "Beta", "Zwei", "--crlf"});
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// The files a run with --json says it changed.
std::set<std::string> ChangedBy(const ToolResult& r) {
    std::optional<JsonValue> report = ParseJson(r.out);
    if (!report) {
        ADD_FAILURE() << "no JSON report: " << r.out << r.err;
        return {};
    }
    std::set<std::string> changed;
    for (const std::string& path : (*report)["changed"].Strings()) {
        changed.insert(path);
    }
    return changed;
}

bool IsContent(const std::string& content) {
    return content == kOriginal || content == kByA || content == kByB || content == kByBoth;
}

// What is wrong with the files below `root` after both runs ended: each
// file holds one run's change, both or none; a change a run reports is in
// the file, and no file holds a change that its run does not report.
// Before recovery a temporary file may stay beside a file whose renaming a
// run reported as failed, and a backup beside a file that another run was
// copying as its own run accepted; each holds one of the contents. After
// recovery (`recovered`) nothing stays beside the files.
std::string Inconsistency(const std::string& root, const std::set<std::string>& changedByA,
                          const std::set<std::string>& changedByB, const std::string& errors,
                          bool recovered = false) {
    std::string problems;
    const Tree now = Snapshot(root);
    for (const auto& [name, content] : now) {
        const std::string path = root + "/" + name;
        if (content == reliability::kDirectory) {
            continue;
        }
        for (const std::string& suffix : {kBackup, kTemporary}) {
            if (name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            const std::string file = name.substr(0, name.size() - suffix.size());
            const bool reported =
                suffix == kBackup || errors.find("Fehler beim Umbenennen der Datei  '" + root +
                                                 "/" + file + "'") != std::string::npos;
            if (recovered || !reported || now.count(file) == 0 || !IsContent(content)) {
                problems += "left beside the file: " + name + "\n";
            }
        }
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".txt") != 0) {
            continue;
        }
        if (!IsContent(content)) {
            problems += name + " holds \"" + content + "\"\n";
            continue;
        }
        const bool hasA = content == kByA || content == kByBoth;
        const bool hasB = content == kByB || content == kByBoth;
        if (hasA != (changedByA.count(path) != 0)) {
            problems += name + (hasA ? " holds A's change, which A does not report\n"
                                     : " lost A's change, which A reports\n");
        }
        if (hasB != (changedByB.count(path) != 0)) {
            problems += name + (hasB ? " holds B's change, which B does not report\n"
                                     : " lost B's change, which B reports\n");
        }
    }
    return problems;
}

class Contention : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    TempDir dir;
};

// A waits for its confirmation of a file it has copied; B comes to the same
// file meanwhile. A's copy stays A's: B waits for the file (here: ignores
// it), and A's confirmed change is what the file holds.
TEST_F(Contention, ASecondRunWhileTheFirstWaitsForItsConfirmation) {
    reliability::MakeTree(dir.path(), {{"f.txt", kOriginal}});
    ToolSetup terminal;
    terminal.terminal = true;
    terminal.watchdogSeconds = 60;
    BatchProcess a(RunA({dir.path()}, {"--confirm", "--json"}), ProcessSetup(terminal));
    ASSERT_TRUE(a.WaitForError(kQuestionPrompt));
    BatchProcess b(RunB({dir.path()}, {"--confirm", "--answer", "2008=5", "--json"}),
                   ProcessSetup(terminal));
    const bool bAsks = b.WaitForError(kQuestionPrompt);
    a.Type("j\n");
    ToolResult ra = a.Finish();
    if (bAsks) {
        b.Type("j\n");
    }
    ToolResult rb = b.Finish();
    EXPECT_EQ(ra.status, 0) << ra.err;
    EXPECT_EQ(Inconsistency(dir.path(), ChangedBy(ra), ChangedBy(rb), ra.err + rb.err, true), "");
    EXPECT_EQ(ReadFile(P("f.txt")), kByA);
    EXPECT_NE(rb.err.find("Die Datei  '" + P("f.txt") + "'  kann nicht geöffnet werden."),
              std::string::npos)
        << rb.err;
}

// Both runs started at once over the same files, in opposite orders so that
// they meet; a few rounds for different meetings.
TEST_F(Contention, TwoRunsAtOnceOverManyFiles) {
    std::vector<std::string> directories;
    Tree tree;
    for (int d = 0; d < 3; ++d) {
        directories.push_back(P("d" + std::to_string(d)));
        for (int f = 0; f < 30; ++f) {
            tree["d" + std::to_string(d) + "/f" + std::to_string(f) + ".txt"] = kOriginal;
        }
    }
    const std::vector<std::string> reversed(directories.rbegin(), directories.rend());
    ToolSetup setup;
    setup.watchdogSeconds = 60;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        reliability::ResetTree(dir.path(), tree);
        BatchProcess a(RunA(directories, {"--json"}), ProcessSetup(setup));
        BatchProcess b(RunB(round % 2 == 0 ? reversed : directories, {"--json"}),
                       ProcessSetup(setup));
        ToolResult ra = a.Finish();
        ToolResult rb = b.Finish();
        EXPECT_EQ(ra.signal, 0);
        EXPECT_EQ(rb.signal, 0);
        const std::set<std::string> byA = ChangedBy(ra);
        const std::set<std::string> byB = ChangedBy(rb);
        EXPECT_EQ(Inconsistency(dir.path(), byA, byB, ra.err + rb.err), "")
            << "A: " << ra.err << "B: " << rb.err;
        EXPECT_FALSE(byA.empty() && byB.empty()) << "neither run changed anything";
        // Recovery finishes what the meeting left, and loses no change.
        EXPECT_EQ(RunTool({"--recover", dir.path(), "--accept"}).signal, 0);
        EXPECT_EQ(Inconsistency(dir.path(), byA, byB, ra.err + rb.err, true), "");
    }
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A is stopped at one step of rewriting the file while B runs over it from
// start to end; then A goes on, or is killed there and the tree recovered.
TEST_F(Contention, ASecondRunWhileTheFirstIsStoppedAtEachStep) {
    enum class Step { WritingTheCopy, RenamingToBackup, RenamingIntoPlace };
    struct Case {
        const char* name;
        Step step;
        bool killed;
    };
    const Case cases[] = {
        {"A writes its copy, then goes on", Step::WritingTheCopy, false},
        {"A renames the file to its backup, then goes on", Step::RenamingToBackup, false},
        {"A moves its copy into place, then goes on", Step::RenamingIntoPlace, false},
        {"A is killed as it writes its copy", Step::WritingTheCopy, true},
        {"A is killed as it renames the file to its backup", Step::RenamingToBackup, true},
        {"A is killed as it moves its copy into place", Step::RenamingIntoPlace, true},
    };
    const std::string logs = P("logs");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = P("tree");
        const std::string file = root + "/f.txt";
        reliability::ResetTree(root, {{"f.txt", kOriginal}});
        testing_support::RemoveTree(logs);
        testing_support::MakeDirs(logs);
        ToolResult rb;
        bool stopped = false;
        reliability::TracedRun ra = reliability::TraceTool(
            RunA({root}, {"--keep", logs + "/a.log"}), {}, [&](const PendingCall& call) {
                if (stopped) {
                    return Next::Go;
                }
                const bool renaming = call.number == SYS_renameat2 || call.number == SYS_renameat;
                switch (c.step) {
                case Step::WritingTheCopy:
                    stopped = call.number == SYS_write &&
                              EndsWith(call.DescriptorPath(0), "/f.txt" + kTemporary);
                    break;
                // The tool reaches the file through its directory, so only
                // the name is compared.
                case Step::RenamingToBackup:
                    stopped = renaming && EndsWith(call.String(1), "/f.txt");
                    break;
                case Step::RenamingIntoPlace:
                    stopped = renaming && EndsWith(call.String(1), "/f.txt" + kTemporary);
                    break;
                }
                if (!stopped) {
                    return Next::Go;
                }
                ToolSetup setup;
                setup.watchdogSeconds = 60;
                rb = RunTool(RunB({root}, {"--json"}), setup);
                return c.killed ? Next::Kill : Next::Go;
            });
        if (!ra.traced) {
            GTEST_SKIP() << "tracing is not allowed here";
        }
        ASSERT_TRUE(stopped) << "A never came to that step";
        EXPECT_EQ(ra.signal, c.killed ? SIGKILL : 0);
        EXPECT_EQ(rb.signal, 0);
        std::set<std::string> byA;
        for (const std::string& path : ReadChangeLog(logs + "/a.log")) {
            byA.insert(path);
        }
        if (c.killed) {
            // What A left is finished as recovery finds it, A's change kept.
            ToolResult recovered = RunTool({"--recover", root, "--accept"});
            EXPECT_EQ(recovered.signal, 0);
            for (const auto& [name, content] : Snapshot(root)) {
                if (content == kByA || content == kByBoth) {
                    byA.insert(root + "/" + name);
                }
            }
        } else {
            EXPECT_EQ(ra.status, 0);
            ToolResult accepted = RunTool({"--accept-log", logs + "/a.log"});
            EXPECT_EQ(accepted.status, 0) << accepted.err;
        }
        EXPECT_EQ(Inconsistency(root, byA, ChangedBy(rb), rb.err, true), "") << "B: " << rb.err;
    }
}

// A program opens the file (to read it, and gives up at once) while the run
// holds it for renaming: the run goes on undisturbed.
TEST_F(Contention, AProgramOpensTheFileWhileItIsRenamed) {
    reliability::MakeTree(dir.path(), {{"f.txt", kOriginal}});
    bool opened = false;
    reliability::TracedRun run =
        reliability::TraceTool(RunA({dir.path()}), {}, [&](const PendingCall& call) {
            if (!opened && (call.number == SYS_renameat2 || call.number == SYS_renameat)) {
                // A reader that does not wait: its open is refused while the
                // file is held, and the holder is told.
                int fd = ::open(P("f.txt").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ::close(fd);
                }
                opened = true;
            }
            return Next::Go;
        });
    if (!run.traced) {
        GTEST_SKIP() << "tracing is not allowed here";
    }
    ASSERT_TRUE(opened);
    EXPECT_EQ(run.signal, 0) << "the tool was ended by signal " << run.signal << " ("
                             << strsignal(run.signal) << ")";
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Snapshot(dir.path()), (Tree{{"f.txt", kByA}}));
}

class OtherWriters : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    TempDir dir;
};

// Another program changes the file after the run read it and before the run
// renames it (while the run waits for its confirmation): the run notices,
// reads the file again and asks again, and the later change is in the
// result, not in a backup that accepting deletes.
TEST_F(OtherWriters, AChangeBetweenReadingAndRenaming) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> change;
    };
    const std::string later = "Welt 1\nWelt 2\n";
    const Case cases[] = {
        {"a line appended",
         [](const std::string& path) {
             int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::write(fd, "Welt 2\n", 7), 7);
             ::close(fd);
         }},
        {"an editor saves a new file under the name",
         [&](const std::string& path) {
             testing_support::WriteFile(path + "~new", later);
             ASSERT_EQ(::rename((path + "~new").c_str(), path.c_str()), 0);
         }},
        {"rewritten in place",
         [&](const std::string& path) { testing_support::WriteFile(path, later); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reliability::ResetTree(dir.path(), {{"f.txt", "Welt 1\n"}});
        ToolSetup terminal;
        terminal.terminal = true;
        terminal.watchdogSeconds = 60;
        BatchProcess tool({"--dir", dir.path(), "--files", "*.txt", "--replace", "Welt", "Erde",
                           "--crlf", "--confirm"},
                          ProcessSetup(terminal));
        ASSERT_TRUE(tool.WaitForError(kQuestionPrompt));
        c.change(P("f.txt"));
        tool.Type("j\n");
        // The file is not what was read and confirmed: asked again.
        if (tool.WaitForError(kQuestionPrompt, 2)) {
            tool.Type("j\n");
        }
        ToolResult r = tool.Finish();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Snapshot(dir.path()), (Tree{{"f.txt", "Erde 1\r\nErde 2\r\n"}})) << r.err;
    }
}

// A program keeps the file open and appends a line every few milliseconds,
// before, during and after the run: the run leaves that file as it is (it
// cannot be changed now, reported like a locked file), and no line is lost.
TEST_F(OtherWriters, AWriterHoldingTheFileOpen) {
    reliability::MakeTree(dir.path(), {{"log.txt", "Anfang Welt\n"}, {"other.txt", "Welt\n"}});
    int control[2];
    int report[2];
    ASSERT_EQ(::pipe2(control, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // Appends until told to stop, then once more, and says how many.
        ::close(control[1]);
        ::close(report[0]);
        int fd = ::open(P("log.txt").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        int lines = 0;
        auto append = [&] {
            const std::string line = "Zeile " + std::to_string(lines++) + " Welt\n";
            return ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        };
        bool ok = fd >= 0;
        for (int i = 0; ok && i < 5; ++i) {
            ok = append();
        }
        char started = 1;
        ok = ok && ::write(report[1], &started, 1) == 1;
        struct pollfd stop {
            control[0], POLLIN, 0
        };
        while (ok && ::poll(&stop, 1, 2) == 0) {
            ok = append();
        }
        ok = ok && append();
        ::close(fd);
        ok = ok && ::write(report[1], &lines, sizeof lines) == sizeof lines;
        ::_exit(ok ? 0 : 1);
    }
    ::close(control[0]);
    ::close(report[1]);
    char started = 0;
    ASSERT_EQ(::read(report[0], &started, 1), 1);
    ToolSetup setup;
    setup.watchdogSeconds = 60;
    ToolResult r = RunTool(
        {"--dir", dir.path(), "--files", "*.txt", "--replace", "Welt", "Erde", "--crlf"}, setup);
    ::close(control[1]);
    int lines = 0;
    EXPECT_EQ(::read(report[0], &lines, sizeof lines), static_cast<ssize_t>(sizeof lines));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed";

    std::string expected = "Anfang Welt\n";
    for (int i = 0; i < lines; ++i) {
        expected += "Zeile " + std::to_string(i) + " Welt\n";
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Die Datei  '" + P("log.txt") + "'  kann nicht geöffnet werden.\n" +
                         "Antwort: Ignorieren (5)\n");
    EXPECT_EQ(reliability::Difference(Snapshot(dir.path()),
                                      {{"log.txt", expected}, {"other.txt", "Erde\r\n"}}),
              "");
}

} // namespace
