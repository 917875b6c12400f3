// Finishing a run later, by its change log or by recovery, when the files
// are no longer as the run left them: the log was finished already (or is a
// stale copy) and a later run's backups stand there, a changed file was
// deleted, a backup was written to, a file was edited after the run, a
// renaming made of a link and an unlink stopped halfway. And change logs
// that are no logs at all. Accepting deletes only the backup the run made,
// undoing puts a backup back over a later edit only when told to, and
// nothing that is the only copy of a content is deleted.
#include "test_support.h"
#include "tool_process.h"

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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
const std::string kAllUndone = "Es wurden alle Änderungen rückgängig gemacht";

void Append(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

std::string RenameError(const std::string& from, const std::string& to) {
    return "Fehler beim Umbenennen der Datei  '" + from + "'  in  '" + to + "'\n";
}

// The different lines of a text (a message may be given more than once).
std::set<std::string> LinesOf(const std::string& text) {
    std::set<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        lines.insert(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.insert(text.substr(start));
    }
    return lines;
}

class Finishing : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    std::vector<std::string> Job(const std::string& from, const std::string& to,
                                 std::vector<std::string> extra) const {
        std::vector<std::string> args = {"--dir",     dir.path(), "--files", "*.txt",
                                         "--replace", from,       to,        "--crlf"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    std::string Log(const std::string& name) const { return logs / name; }
    TempDir dir;
    TempDir logs;
};

// A log is finished by a later command while the files moved on: each case
// changes what the first run left, finishes it, and must find every content
// still there (the later run's undo works, or the only copy stays).
TEST_F(Finishing, ALogFinishedWhenItsFilesMovedOn) {
    struct Case {
        const char* name;
        std::function<void()> meanwhile; // after the run kept as run.log
        std::vector<std::string> finish;
        std::string err;
        Tree after;
    };
    const Case cases[] = {
        {"the log accepted once, then again after a later run",
         [&] {
             ASSERT_EQ(RunTool({"--accept-log", Log("run.log")}).status, 0);
             ASSERT_EQ(RunTool(Job("Erde", "Mond", {"--keep", Log("later.log")})).status, 0);
         },
         {"--accept-log", Log("run.log")},
         "Die Protokolldatei  '" + Log("run.log") + "'  wurde schon abgeschlossen.\n",
         {{"a.txt", "Mond\r\n"},
          {"a.txt" + kBackup, "Erde\r\n"},
          {"b.txt", "Mond\r\n"},
          {"b.txt" + kBackup, "Erde\r\n"}}},
        {"the log accepted once, then undone after a later run",
         [&] {
             ASSERT_EQ(RunTool({"--accept-log", Log("run.log")}).status, 0);
             ASSERT_EQ(RunTool(Job("Erde", "Mond", {"--keep", Log("later.log")})).status, 0);
         },
         {"--undo-log", Log("run.log")},
         "Die Protokolldatei  '" + Log("run.log") + "'  wurde schon abgeschlossen.\n",
         {{"a.txt", "Mond\r\n"},
          {"a.txt" + kBackup, "Erde\r\n"},
          {"b.txt", "Mond\r\n"},
          {"b.txt" + kBackup, "Erde\r\n"}}},
        {"a copy of the log taken before it was accepted, after a later run",
         [&] {
             testing_support::WriteFile(Log("copy.log"), ReadFile(Log("run.log")));
             ASSERT_EQ(RunTool({"--accept-log", Log("run.log")}).status, 0);
             ASSERT_EQ(RunTool(Job("Erde", "Mond", {"--keep", Log("later.log")})).status, 0);
         },
         {"--accept-log", Log("copy.log")},
         "Die Sicherung  '" + P("a.txt") + kBackup +
             "'  ist nicht mehr die des Laufs und bleibt erhalten.\n"
             "Die Sicherung  '" +
             P("b.txt") + kBackup + "'  ist nicht mehr die des Laufs und bleibt erhalten.\n",
         {{"a.txt", "Mond\r\n"},
          {"a.txt" + kBackup, "Erde\r\n"},
          {"b.txt", "Mond\r\n"},
          {"b.txt" + kBackup, "Erde\r\n"}}},
        {"a backup written to after the run",
         [&] { Append(P("a.txt") + kBackup, "noch eine Zeile\n"); },
         {"--accept-log", Log("run.log")},
         "Die Sicherung  '" + P("a.txt") + kBackup +
             "'  ist nicht mehr die des Laufs und bleibt erhalten.\n",
         {{"a.txt", "Erde\r\n"},
          {"a.txt" + kBackup, "Welt\nnoch eine Zeile\n"},
          {"b.txt", "Erde\r\n"}}},
        {"a changed file deleted, accepted by the log",
         [&] { ASSERT_EQ(::unlink(P("a.txt").c_str()), 0); },
         {"--accept-log", Log("run.log")},
         RenameError(P("a.txt") + kBackup, P("a.txt")),
         {{"a.txt" + kBackup, "Welt\n"}, {"b.txt", "Erde\r\n"}}},
        {"a changed file deleted, accepted by recovery",
         [&] { ASSERT_EQ(::unlink(P("a.txt").c_str()), 0); },
         {"--recover", dir.path(), "--accept", "--quiet"},
         "nur die Sicherung ist da, die Datei fehlt: '" + P("a.txt") + "' -> belassen\n",
         {{"a.txt" + kBackup, "Welt\n"}, {"b.txt", "Erde\r\n"}}},
        {"a changed file replaced by a directory, accepted by the log",
         [&] {
             ASSERT_EQ(::unlink(P("a.txt").c_str()), 0);
             testing_support::MakeDirs(P("a.txt"));
         },
         {"--accept-log", Log("run.log")},
         RenameError(P("a.txt") + kBackup, P("a.txt")),
         {{"a.txt", reliability::kDirectory},
          {"a.txt" + kBackup, "Welt\n"},
          {"b.txt", "Erde\r\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reliability::ResetTree(dir.path(), {{"a.txt", "Welt\n"}, {"b.txt", "Welt\n"}});
        reliability::ResetTree(logs.path(), {});
        ASSERT_EQ(RunTool(Job("Welt", "Erde", {"--keep", Log("run.log")})).status, 0);
        c.meanwhile();
        ToolResult r = RunTool(c.finish);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(LinesOf(r.err), LinesOf(c.err)) << r.err;
        EXPECT_EQ(reliability::Difference(Snapshot(dir.path()), c.after), "");
        if (testing_support::Exists(Log("later.log"))) {
            // The later run can still be undone: its backups were kept.
            EXPECT_EQ(RunTool({"--undo-log", Log("later.log")}).status, 0);
            EXPECT_EQ(Snapshot(dir.path()), (Tree{{"a.txt", "Erde\r\n"}, {"b.txt", "Erde\r\n"}}));
        }
    }
}

// The run's own accepting at its end, while a file it changed was deleted
// after its renaming (here: while the run asks about the next file).
TEST_F(Finishing, AFileDeletedBeforeTheRunAcceptsKeepsItsBackup) {
    reliability::MakeTree(dir.path(), {{"a.txt", "Welt\n"}, {"b.txt", "Welt\n"}});
    ToolSetup terminal;
    terminal.terminal = true;
    terminal.watchdogSeconds = 60;
    BatchProcess tool(Job("Welt", "Erde", {"--confirm"}), ProcessSetup(terminal));
    const std::string prompt = "Antwort (6 Ja, 7 Nein, 2 Abbrechen): ";
    ASSERT_TRUE(tool.WaitForError(prompt));
    tool.Type("j\n");
    ASSERT_TRUE(tool.WaitForError(prompt, 2));
    ASSERT_EQ(::unlink(P("a.txt").c_str()), 0);
    tool.Type("j\n");
    ToolResult r = tool.Finish();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(RenameError(P("a.txt") + kBackup, P("a.txt"))), std::string::npos)
        << r.err;
    EXPECT_EQ(Snapshot(dir.path()), (Tree{{"a.txt" + kBackup, "Welt\n"}, {"b.txt", "Erde\r\n"}}));
}

// Undo after the file was edited: the batch tool answers No to putting the
// backup back over the edit unless told otherwise; then both stay.
TEST_F(Finishing, UndoAfterTheFileWasEdited) {
    struct Case {
        const char* name;
        std::vector<std::string> extra; // for the undo
        bool recovery;
        int status;
        Tree after;
    };
    const Tree edited = {
        {"a.txt", "Erde\r\nvon Hand\n"}, {"a.txt" + kBackup, "Welt\n"}, {"b.txt", "Welt\n"}};
    const Case cases[] = {
        {"by the log, not answered", {}, false, 1, edited},
        {"by the log, answered Yes",
         {"--answer", "2507=6"},
         false,
         0,
         {{"a.txt", "Welt\n"}, {"b.txt", "Welt\n"}}},
        {"by recovery, not answered", {}, true, 1, edited},
        {"by recovery, answered Yes",
         {"--answer", "2507=6"},
         true,
         0,
         {{"a.txt", "Welt\n"}, {"b.txt", "Welt\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reliability::ResetTree(dir.path(), {{"a.txt", "Welt\n"}, {"b.txt", "Welt\n"}});
        reliability::ResetTree(logs.path(), {});
        ASSERT_EQ(RunTool(Job("Welt", "Erde", {"--keep", Log("run.log")})).status, 0);
        Append(P("a.txt"), "von Hand\n");
        std::vector<std::string> args =
            c.recovery ? std::vector<std::string>{"--recover", dir.path(), "--undo"}
                       : std::vector<std::string>{"--undo-log", Log("run.log")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ToolResult r = RunTool(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find("Die Datei  '" + P("a.txt") +
                             "'  wurde nach dem Lauf noch einmal verändert.\nSoll sie trotzdem "
                             "auf den Stand vor dem Lauf zurückgesetzt werden?"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Snapshot(dir.path()), c.after);
    }
}

// A renaming made of a hard link and an unlink (where the file system has no
// renaming that never replaces) stopped between the two: the file and its
// backup are one file with the old content, the new content is only in the
// temporary file. Recovery puts the new content in place or keeps the old.
TEST_F(Finishing, ALinkAndUnlinkRenamingStoppedHalfway) {
    struct Case {
        const char* name;
        bool fromARun; // the files of a real kept run (with the record on the backup)
        std::string mode;
        std::string result;
    };
    const Case cases[] = {
        {"made by hand, accepted", false, "--accept", "Erde\r\n"},
        {"made by hand, undone", false, "--undo", "Welt\n"},
        {"from a run, accepted", true, "--accept", "Erde\r\n"},
        {"from a run, undone", true, "--undo", "Welt\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reliability::ResetTree(logs.path(), {});
        if (c.fromARun) {
            reliability::ResetTree(dir.path(), {{"a.txt", "Welt\n"}});
            ASSERT_EQ(RunTool(Job("Welt", "Erde", {"--keep", Log("run.log")})).status, 0);
            ASSERT_EQ(::rename(P("a.txt").c_str(), (P("a.txt") + kTemporary).c_str()), 0);
        } else {
            reliability::ResetTree(
                dir.path(), {{"a.txt" + kBackup, "Welt\n"}, {"a.txt" + kTemporary, "Erde\r\n"}});
        }
        ASSERT_EQ(::link((P("a.txt") + kBackup).c_str(), P("a.txt").c_str()), 0);
        const Tree halfway = Snapshot(dir.path());
        ToolResult report = RunTool({"--recover", dir.path()});
        EXPECT_EQ(report.out, "zwischen zwei Umbenennungen unterbrochen: der vorherige Inhalt "
                              "steht in der Sicherung, der neue in der temporären Datei, die "
                              "Datei selbst fehlt: '" +
                                  P("a.txt") + "'\n");
        EXPECT_EQ(Snapshot(dir.path()), halfway);
        ToolResult r = RunTool({"--recover", dir.path(), c.mode});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(Snapshot(dir.path()), (Tree{{"a.txt", c.result}}));
    }
}

// Another run's copy appears beside a file between the two walks of
// accepting (the new contents in place and flushed, the backups not yet
// deleted). The backup may go or stay, but when it stays the run must not
// end as if everything was accepted.
TEST_F(Finishing, ACopyAppearingWhileAcceptingNeverHidesAKeptBackup) {
    reliability::MakeTree(dir.path(), {{"a.txt", "Welt\n"}});
    ASSERT_EQ(RunTool(Job("Welt", "Erde", {"--keep", Log("run.log")})).status, 0);
    bool placed = false;
    reliability::TracedRun run = reliability::TraceTool(
        {"--accept-log", Log("run.log")}, {}, [&](const reliability::PendingCall& call) {
            if (!placed && call.number == SYS_syncfs) {
                testing_support::WriteFile(P("a.txt") + kTemporary, "eine Kopie");
                placed = true;
            }
            return reliability::Next::Go;
        });
    if (!run.traced) {
        GTEST_SKIP() << "tracing is not allowed here";
    }
    ASSERT_TRUE(placed);
    EXPECT_EQ(ReadFile(P("a.txt")), "Erde\r\n");
    if (testing_support::Exists(P("a.txt") + kBackup)) {
        EXPECT_EQ(run.status, 1) << "a backup was kept, but the tool says all is accepted";
        EXPECT_EQ(ReadFile(Log("run.log")).find("#finished"), std::string::npos);
    } else {
        EXPECT_EQ(run.status, 0);
    }
}

// Change logs that are no logs: reported (2016) at once, never waited on,
// never read without end, and nothing is said to be undone.
TEST_F(Finishing, ALogThatIsNoLog) {
    struct Case {
        const char* name;
        std::function<std::string()> make; // gives the log's path
    };
    const Case cases[] = {
        {"a FIFO nobody writes to",
         [&] {
             EXPECT_EQ(::mkfifo(Log("fifo").c_str(), 0600), 0);
             return Log("fifo");
         }},
        {"a directory",
         [&] {
             testing_support::MakeDirs(Log("directory"));
             return Log("directory");
         }},
        {"a device that never ends", [] { return std::string("/dev/zero"); }},
        {"a file of one endless line",
         [&] {
             testing_support::WriteFile(Log("endless"), std::string(16 << 20, 'x'));
             return Log("endless");
         }},
        {"a link to a log",
         [&] {
             testing_support::WriteFile(Log("real.log"), P("a.txt") + "\r\n");
             EXPECT_EQ(::symlink(Log("real.log").c_str(), Log("link.log").c_str()), 0);
             return Log("link.log");
         }},
    };
    reliability::MakeTree(dir.path(), {{"a.txt", "Erde\r\n"}, {"a.txt" + kBackup, "Welt\n"}});
    const Tree before = Snapshot(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string log = c.make();
        for (const char* finish : {"--accept-log", "--undo-log"}) {
            SCOPED_TRACE(finish);
            ToolSetup setup;
            setup.watchdogSeconds = 30;
            ToolResult r = RunTool({finish, log}, setup);
            EXPECT_EQ(r.signal, 0) << "the tool hung or broke down";
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, "Die Protokolldatei kann nicht eröffnet werden\n\n" + log + "\n");
            EXPECT_EQ(r.err.find(kAllUndone), std::string::npos);
            EXPECT_EQ(Snapshot(dir.path()), before);
        }
    }
}

} // namespace
