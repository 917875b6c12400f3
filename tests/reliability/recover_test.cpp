// Recovery: what each state a run can leave becomes when it is reported,
// undone or accepted; how the search walks a tree; and `--recover` end to end.
#include "recover.h"
#include "test_support.h"
#include "tool_process.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using reliability::RunTool;
using reliability::Snapshot;
using reliability::Tree;
using testing_support::TempDir;

namespace {

const std::string kDir = reliability::kDirectory;

struct StateCase {
    const char* name;
    Tree before;
    LeftoverState state;
    Tree afterUndo;
    FinishOutcome undoOutcome;
    Tree afterAccept;
    FinishOutcome acceptOutcome;
};

// Every state, with what undo and accept make of it. "f" is the file, its
// old content "old", its new content "new", an unfinished copy "ne".
const StateCase kStates[] = {
    {"changed, with its backup",
     {{"f", "new"}, {"f.QUINTREL-BACKUP", "old"}},
     LeftoverState::ChangedWithBackup,
     {{"f", "old"}},
     FinishOutcome::Restored,
     {{"f", "new"}},
     FinishOutcome::Accepted},
    {"changed, with its backup and an unfinished copy",
     {{"f", "new"}, {"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "ne"}},
     LeftoverState::ChangedWithBackupAndCopy,
     {{"f", "old"}},
     FinishOutcome::Restored,
     {{"f", "new"}},
     FinishOutcome::Accepted},
    {"between the two renamings",
     {{"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "new"}},
     LeftoverState::BetweenRenames,
     {{"f", "old"}},
     FinishOutcome::Restored,
     {{"f", "new"}},
     FinishOutcome::Accepted},
    {"a backup whose file is missing",
     {{"f.QUINTREL-BACKUP", "old"}},
     LeftoverState::BackupOnly,
     {{"f", "old"}},
     FinishOutcome::Restored,
     {{"f.QUINTREL-BACKUP", "old"}}, // the only copy: never deleted
     FinishOutcome::Left},
    {"an unfinished copy beside an unchanged file",
     {{"f", "old"}, {"f.QUINTREL-TEMP", "ne"}},
     LeftoverState::TemporaryCopy,
     {{"f", "old"}},
     FinishOutcome::TemporaryDeleted,
     {{"f", "old"}},
     FinishOutcome::TemporaryDeleted},
    {"a temporary file alone",
     {{"f.QUINTREL-TEMP", "new"}},
     LeftoverState::TemporaryOnly,
     {{"f.QUINTREL-TEMP", "new"}},
     FinishOutcome::Left,
     {{"f.QUINTREL-TEMP", "new"}},
     FinishOutcome::Left},
    {"a directory under the file's name",
     {{"f", kDir}, {"f/x", "y"}, {"f.QUINTREL-BACKUP", "old"}},
     LeftoverState::NotRegular,
     {{"f", kDir}, {"f/x", "y"}, {"f.QUINTREL-BACKUP", "old"}},
     FinishOutcome::Left,
     {{"f", kDir}, {"f/x", "y"}, {"f.QUINTREL-BACKUP", "old"}},
     FinishOutcome::Left},
    {"a link under the backup name",
     {{"f", "new"}, {"f.QUINTREL-BACKUP", "-> victim"}, {"victim", "precious"}},
     LeftoverState::NotRegular,
     {{"f", "new"}, {"f.QUINTREL-BACKUP", "-> victim"}, {"victim", "precious"}},
     FinishOutcome::Left,
     {{"f", "new"}, {"f.QUINTREL-BACKUP", "-> victim"}, {"victim", "precious"}},
     FinishOutcome::Left},
    {"a link under the temporary name",
     {{"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "-> victim"}, {"victim", "precious"}},
     LeftoverState::NotRegular,
     {{"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "-> victim"}, {"victim", "precious"}},
     FinishOutcome::Left,
     {{"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "-> victim"}, {"victim", "precious"}},
     FinishOutcome::Left},
};

TEST(Recover, EveryStateIsReportedUndoneAndAccepted) {
    for (const StateCase& c : kStates) {
        SCOPED_TRACE(c.name);
        for (RecoverMode mode : {RecoverMode::Report, RecoverMode::Undo, RecoverMode::Accept}) {
            TempDir dir;
            reliability::MakeTree(dir.path(), c.before);
            std::vector<Leftover> found;
            ASSERT_TRUE(FindLeftovers(dir.path(), found));
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].path, dir / "f");
            EXPECT_EQ(found[0].state, c.state);
            FinishLeftovers(found, mode, dir.path());
            if (mode == RecoverMode::Report) {
                EXPECT_EQ(found[0].outcome, FinishOutcome::Reported);
                EXPECT_EQ(Snapshot(dir.path()), c.before);
            } else if (mode == RecoverMode::Undo) {
                EXPECT_EQ(found[0].outcome, c.undoOutcome);
                EXPECT_EQ(Snapshot(dir.path()), c.afterUndo);
            } else {
                EXPECT_EQ(found[0].outcome, c.acceptOutcome);
                EXPECT_EQ(Snapshot(dir.path()), c.afterAccept);
            }
        }
    }
}

// One undo rule on every path: when a renaming fails, nothing is deleted.
// The file keeps the content it has and its backup stays; the change log's
// undo (the summary's, --undo-log) names the backup and the file.
TEST(Recover, AFailedRenamingWhileUndoingLosesNothingOnEveryPath) {
    struct Case {
        const char* name;
        Tree before;
        const char* immutable; // the name that cannot be renamed, if any
    };
    const Case cases[] = {
        {"the temporary name is taken by a directory",
         {{"f", "new"},
          {"f.QUINTREL-BACKUP", "old"},
          {"f.QUINTREL-TEMP", kDir},
          {"f.QUINTREL-TEMP/x", "mine"}},
         nullptr},
        {"the changed file cannot be moved aside",
         {{"f", "new"}, {"f.QUINTREL-BACKUP", "old"}},
         "f"},
        {"the backup cannot take the file's name",
         {{"f", "new"}, {"f.QUINTREL-BACKUP", "old"}},
         "f.QUINTREL-BACKUP"},
        {"between the renamings, the backup cannot take the name",
         {{"f.QUINTREL-BACKUP", "old"}, {"f.QUINTREL-TEMP", "new"}},
         "f.QUINTREL-BACKUP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* path : {"--undo-log", "--recover"}) {
            SCOPED_TRACE(path);
            TempDir dir;
            TempDir logs;
            reliability::MakeTree(dir.path(), c.before);
            testing_support::WriteFile(logs / "run.log", dir / "f" + "\r\n");
            std::optional<testing_support::ImmutableFile> stuck;
            if (c.immutable != nullptr && !stuck.emplace(dir / c.immutable).ok()) {
                GTEST_SKIP() << "files cannot be made immutable here (needs root and a file "
                                "system with the flag)";
            }
            reliability::ToolResult r = path == std::string("--undo-log")
                                            ? RunTool({"--undo-log", logs / "run.log"})
                                            : RunTool({"--recover", dir.path(), "--undo"});
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(Snapshot(dir.path()), c.before);
            if (path == std::string("--undo-log")) {
                EXPECT_NE(r.err.find("Fehler beim Umbenennen der Datei  '" + dir / "f" +
                                     ".QUINTREL-BACKUP'  in  '" + dir / "f" + "'"),
                          std::string::npos)
                    << r.err;
            }
        }
    }
}

TEST(Recover, TheSearchWalksEverySubdirectoryButNoLink) {
    TempDir dir;
    TempDir outside;
    reliability::MakeTree(outside.path(), {{"o.txt.QUINTREL-BACKUP", "outside"}});
    reliability::MakeTree(dir.path(), {{"b/x.txt", "new"},
                                       {"b/x.txt.QUINTREL-BACKUP", "old"},
                                       {"a/deep/er/y.txt.QUINTREL-TEMP", "t"},
                                       {"a/z.txt.QUINTREL-BACKUP", "old"},
                                       {"plain.txt", "nothing"},
                                       {"odd name ;'\n.txt.QUINTREL-BACKUP", "old"},
                                       {"link", "-> " + outside.path()}});
    std::vector<Leftover> found;
    ASSERT_TRUE(FindLeftovers(dir.path(), found));
    std::vector<std::string> paths;
    for (const Leftover& leftover : found) {
        paths.push_back(leftover.path.substr(dir.path().size() + 1));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"odd name ;'\n.txt", "a/z.txt", "a/deep/er/y.txt",
                                               "b/x.txt"}));
    // The directory asked for is followed when it is a link itself.
    found.clear();
    ASSERT_EQ(::symlink(outside.path().c_str(), (dir / "to-outside").c_str()), 0);
    ASSERT_TRUE(FindLeftovers(dir / "to-outside", found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path, dir / "to-outside/o.txt");
    // A directory that does not exist cannot be searched.
    EXPECT_FALSE(FindLeftovers(dir / "missing", found));
}

// Permission faults need an unprivileged process.
int AsUnprivileged(const std::function<int()>& body) {
    pid_t child = ::fork();
    if (child == 0) {
        if (reliability::RunningAsRoot() && (::setgid(reliability::kUnprivileged) != 0 ||
                                             ::setuid(reliability::kUnprivileged) != 0)) {
            ::_exit(90);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Recover, AStepThatFailsLeavesEverythingAsItWas) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const Tree before = {{"ro", kDir},
                         {"ro/f", "new"},
                         {"ro/f.QUINTREL-BACKUP", "old"},
                         {"ro/g.QUINTREL-BACKUP", "old"},
                         {"ro/h.QUINTREL-BACKUP", "old"},
                         {"ro/h.QUINTREL-TEMP", "new"},
                         {"closed", kDir},
                         {"closed/k.QUINTREL-BACKUP", "hidden"}};
    for (RecoverMode mode : {RecoverMode::Undo, RecoverMode::Accept}) {
        SCOPED_TRACE(mode == RecoverMode::Undo ? "undo" : "accept");
        reliability::ResetTree(dir / "t", before);
        ASSERT_EQ(::chmod((dir / "t").c_str(), 0755), 0);
        ASSERT_EQ(::chmod((dir / "t/ro").c_str(), 0555), 0); // nothing can be renamed or deleted
        ASSERT_EQ(::chmod((dir / "t/closed").c_str(), 0), 0);
        const std::string root = dir / "t";
        int status = AsUnprivileged([&] {
            std::vector<Leftover> found;
            if (!FindLeftovers(root, found) || found.size() != 4) {
                return 1;
            }
            FinishLeftovers(found, mode, dir.path());
            // The unreadable directory is reported, and every leftover in the
            // read-only one failed or (as an only copy) was left.
            const bool ok =
                found[0].state == LeftoverState::Unreadable &&
                found[0].outcome == FinishOutcome::Left && found[0].path == root + "/closed" &&
                found[1].outcome == FinishOutcome::Failed && found[1].error == EACCES &&
                found[2].outcome ==
                    (mode == RecoverMode::Undo ? FinishOutcome::Failed : FinishOutcome::Left) &&
                found[3].outcome == FinishOutcome::Failed;
            return ok ? 0 : 2;
        });
        ::chmod((dir / "t/ro").c_str(), 0755);
        ::chmod((dir / "t/closed").c_str(), 0755);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(Snapshot(dir / "t"), before);
    }
}

class RecoverCommand : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.path() + "/" + relative; }
    TempDir dir;
};

TEST_F(RecoverCommand, ReportsThenFinishesAndTellsByItsExitStatus) {
    const Tree before = {{"a.txt", "new"},
                         {"a.txt.QUINTREL-BACKUP", "old"},
                         {"s/b.txt.QUINTREL-BACKUP", "old b"},
                         {"s/c.txt.QUINTREL-BACKUP", "old c"},
                         {"s/c.txt.QUINTREL-TEMP", "new c"},
                         {"d.txt", "d"},
                         {"d.txt.QUINTREL-TEMP", "d, unfinis"},
                         {"s", kDir}};
    reliability::MakeTree(dir.path(), before);

    auto report = RunTool({"--recover", dir.path()});
    EXPECT_EQ(report.status, 1); // something is left
    EXPECT_EQ(report.out, "verändert, der vorherige Inhalt steht in der Sicherung: '" + P("a.txt") +
                              "'\n"
                              "unfertige temporäre Datei, die Datei behält ihren Inhalt: '" +
                              P("d.txt") +
                              "'\n"
                              "nur die Sicherung ist da, die Datei fehlt: '" +
                              P("s/b.txt") +
                              "'\n"
                              "zwischen zwei Umbenennungen unterbrochen: der vorherige Inhalt "
                              "steht in der Sicherung, der neue in der temporären Datei, die "
                              "Datei selbst fehlt: '" +
                              P("s/c.txt") + "'\n");
    EXPECT_EQ(report.err, "");
    EXPECT_EQ(Snapshot(dir.path()), before);

    // Accepting keeps the new contents; the lone backup is an only copy and
    // stays, which the exit status and standard error say.
    auto accepted = RunTool({"--accept", "--recover", dir.path(), "--json"});
    EXPECT_EQ(accepted.status, 1);
    EXPECT_EQ(accepted.out,
              "{\"leftovers\":[{\"file\":\"" + P("a.txt") +
                  "\",\"state\":\"changed-with-backup\",\"outcome\":\"accepted\"},"
                  "{\"file\":\"" +
                  P("d.txt") +
                  "\",\"state\":\"temporary-copy\",\"outcome\":\"temporary-deleted\"},"
                  "{\"file\":\"" +
                  P("s/b.txt") +
                  "\",\"state\":\"backup-only\",\"outcome\":\"left\"},"
                  "{\"file\":\"" +
                  P("s/c.txt") + "\",\"state\":\"between-renames\",\"outcome\":\"accepted\"}]}\n");
    EXPECT_EQ(accepted.err,
              "nur die Sicherung ist da, die Datei fehlt: '" + P("s/b.txt") + "' -> belassen\n");
    EXPECT_EQ(Snapshot(dir.path()), (Tree{{"a.txt", "new"},
                                          {"d.txt", "d"},
                                          {"s", kDir},
                                          {"s/b.txt.QUINTREL-BACKUP", "old b"},
                                          {"s/c.txt", "new c"}}));

    // Undo puts the lone backup back; then nothing is left.
    auto undone = RunTool({"--recover", dir.path(), "--undo"});
    EXPECT_EQ(undone.status, 0);
    EXPECT_EQ(undone.out, "nur die Sicherung ist da, die Datei fehlt: '" + P("s/b.txt") +
                              "' -> vorheriger Inhalt zurückgestellt\n");
    auto clean = RunTool({"--recover", dir.path()});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "Keine Sicherung und keine temporäre Datei unter '" + dir.path() + "'.\n");
}

TEST_F(RecoverCommand, FindsWhatAKilledRunLeftThatNoLogNames) {
    // A run killed before its change log was finished: the backups are found
    // by their names, and undo brings back every old content.
    const Tree before = {{"a.txt", "Welt\n"}, {"s/b.txt", "Welt\n"}, {"c.txt", "Mond\n"}};
    reliability::MakeTree(dir / "tree", before);
    TempDir logs;
    ASSERT_EQ(RunTool({"--dir", dir / "tree", "--subdirs", "--files", "*.txt", "--replace", "Welt",
                       "Erde", "--keep", logs / "run.log"})
                  .status,
              0);
    ::unlink((logs / "run.log").c_str());
    EXPECT_EQ(RunTool({"--recover", dir / "tree", "--undo", "--quiet"}).status, 0);
    Tree expected = before;
    expected["s"] = kDir;
    EXPECT_EQ(Snapshot(dir / "tree"), expected);
}

TEST_F(RecoverCommand, UsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--recover", dir.path(), "--dir", dir.path()},
             {"--recover", dir.path(), "--keep", dir / "log"},
             {"--undo-log", dir / "log", "--recover", dir.path()},
             {"--recover", dir.path(), "--recover", dir.path()},
             {"--recover"},
             {"--recover", ""},
         }) {
        auto r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.rawErr.rfind("quintrel-batch: ", 0), 0u) << r.rawErr;
    }
    auto missing = RunTool({"--recover", dir / "missing"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.rawErr, "quintrel-batch: das Verzeichnis '" + dir / "missing" +
                                  "' kann nicht gelesen werden\n");
    auto help = RunTool({"--help"});
    EXPECT_NE(help.out.find("--recover VERZ"), std::string::npos);
    EXPECT_NE(RunTool({"--lang", "44", "--help"}).out.find("--recover DIR"), std::string::npos);
}

} // namespace
