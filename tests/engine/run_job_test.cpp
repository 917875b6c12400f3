#include "file_names.h"
#include "replacement_table.h"
#include "rewrite_file.h"
#include "run_job.h"
#include "scripted_ui.h"
#include "string_table.h"
#include "test_support.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::Exists;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

class RunJobTest : public ::testing::Test {
protected:
    Job BasicJob() {
        Job job;
        job.directories = {dir.path()};
        job.files = {"*.txt"};
        job.subdirs = true;
        return job;
    }
    std::string P(const std::string& relative) { return dir / relative; }
    // Files the run left in TMPDIR (its file list and change log must be gone).
    std::vector<std::string> TmpLeftovers() {
        std::vector<std::string> left;
        for (const std::string& name : ListTree(TemporaryDirectory())) {
            if (name.rfind("VQP", 0) == 0) {
                left.push_back(name);
            }
        }
        return left;
    }
    time_t MTime(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mtime;
    }
    TempDir dir;
};

TEST_F(RunJobTest, ARunThatChangesNothingOnlyReads) {
    WriteFile(P("a.txt"), "hello\nworld\n");
    WriteFile(P("sub/b.txt"), "nothing here");
    testing_support::SetModificationTime(P("a.txt"), 1000000000);
    Job job = BasicJob();
    job.replace = {{"absent", "x"}};
    ScriptedUi ui;
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgNoFileChanged});
    EXPECT_EQ(ui.summaries, 0);
    EXPECT_EQ(result.statistics.FilesProcessed, 2);
    EXPECT_EQ(MTime(P("a.txt")), 1000000000);
    EXPECT_EQ(ReadFile(P("a.txt")), "hello\nworld\n");
    EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_TRUE(TmpLeftovers().empty());
    EXPECT_EQ(ui.progressTitles, std::vector<int>{kTitleRun});
    EXPECT_EQ(ui.progressTotals, std::vector<long>{2});
}

TEST_F(RunJobTest, ReplacementsAndCleanUpAcceptedAndUndone) {
    const std::string a = "  Hallo Welt  \n\nwelt\n";
    const std::string b = "keine\n";
    const std::string c = "\tWelt\r\n";
    for (auto finish : {ScriptedUi::Finish::Commit, ScriptedUi::Finish::Undo}) {
        SCOPED_TRACE(finish == ScriptedUi::Finish::Commit ? "accept" : "undo");
        WriteFile(P("a.txt"), a);
        WriteFile(P("b.txt"), b);
        WriteFile(P("sub/c.txt"), c);
        Job job = BasicJob();
        job.replace = {{"welt", "Erde"}};
        job.capsLock = true;
        job.deleteEmptyLines = true;
        job.stripLeadingSpaces = true;
        job.stripTrailingSpaces = true;
        job.stripLeadingTabs = true;
        ScriptedUi ui;
        ui.finish = finish;
        std::vector<std::string> treeDuringSummary;
        std::vector<std::string> tmpDuringSummary;
        std::string changeLog;
        ui.beforeFinish = [&](const RunSummaryInfo& info) {
            treeDuringSummary = ListTree(dir.path());
            tmpDuringSummary = TmpLeftovers();
            changeLog = info.changeLogPath;
        };
        RunResult result = RunCheckedJob(job, ui, {});
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        EXPECT_EQ(result.statistics,
                  (RunStatistics{3, 2, 6, 3, 1})); // processed, changed, lines, replacements, empty
        EXPECT_EQ(ui.summaryChangeLog, (std::vector<std::string>{P("a.txt"), P("sub/c.txt")}));
        EXPECT_EQ(treeDuringSummary,
                  (std::vector<std::string>{"a.txt", "a.txt.QUINTREL-BACKUP", "b.txt", "sub/c.txt",
                                            "sub/c.txt.QUINTREL-BACKUP"}));
        // Only the change log waits in TMPDIR: the file list lost its name
        // once the run had it open, so a killed run cannot leave it behind.
        EXPECT_EQ(tmpDuringSummary,
                  std::vector<std::string>{changeLog.substr(changeLog.rfind('/') + 1)});
        if (finish == ScriptedUi::Finish::Commit) {
            EXPECT_EQ(ReadFile(P("a.txt")), "Hallo Erde\r\nErde\r\n");
            EXPECT_EQ(ReadFile(P("sub/c.txt")), "Erde\r\n");
            EXPECT_TRUE(ui.MessageIds().empty());
            EXPECT_EQ(ui.progressTitles, (std::vector<int>{kTitleRun, kTitleCommit}));
        } else {
            EXPECT_EQ(ReadFile(P("a.txt")), a);
            EXPECT_EQ(ReadFile(P("sub/c.txt")), c);
            EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgAllUndone});
            EXPECT_EQ(ui.progressTitles, (std::vector<int>{kTitleRun, kTitleUndo}));
        }
        EXPECT_EQ(ReadFile(P("b.txt")), b);
        EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "sub/c.txt"}));
        EXPECT_TRUE(TmpLeftovers().empty());
    }
}

TEST_F(RunJobTest, NoFilesFoundAndAStoppedScan) {
    Job job = BasicJob();
    job.files = {"*.none"};
    ScriptedUi ui;
    EXPECT_EQ(RunCheckedJob(job, ui, {}).outcome, RunOutcome::NoFiles);
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgNoFilesFound});
    WriteFile(P("x.txt"), "x");
    ScriptedUi stopped;
    stopped.stopScanAfter = 0;
    EXPECT_EQ(RunCheckedJob(BasicJob(), stopped, {}).outcome, RunOutcome::ScanStopped);
    EXPECT_TRUE(stopped.messages.empty()) << "a stopped scan ends the run silently";
    EXPECT_TRUE(TmpLeftovers().empty());
}

TEST_F(RunJobTest, BinaryFilesAnsweredOkOrCancel) {
    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("b.txt"), std::string(64, '\0') + "x\n");
    WriteFile(P("c.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ok;
    ok.Answer(kMsgNotTextFile, {1});
    RunResult okResult = RunCheckedJob(job, ok, {});
    EXPECT_EQ(ok.MessageIds(), std::vector<int>{kMsgNotTextFile});
    EXPECT_EQ(ok.messages[0].insert1, P("b.txt"));
    EXPECT_EQ(okResult.statistics.FilesProcessed, 3);
    EXPECT_EQ(okResult.statistics.FilesChanged, 2);
    EXPECT_EQ(ReadFile(P("b.txt")), std::string(64, '\0') + "x\n");

    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("c.txt"), "x\n");
    ScriptedUi cancel;
    cancel.Answer(kMsgNotTextFile, {2});
    RunResult cancelResult = RunCheckedJob(job, cancel, {});
    EXPECT_EQ(cancelResult.outcome, RunOutcome::EndedEarly);
    EXPECT_EQ(cancelResult.statistics.FilesProcessed, 1)
        << "the file that ended the run is not counted";
    EXPECT_EQ(cancel.summaryChangeLog, std::vector<std::string>{P("a.txt")});
    EXPECT_EQ(ReadFile(P("c.txt")), "x\n");
}

TEST_F(RunJobTest, AFileThatCannotBeOpened) {
    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("b.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    int lock = ::open(P("a.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    ScriptedUi ignore;
    ignore.Answer(kMsgCannotOpenFile, {5});
    RunResult ignored = RunCheckedJob(job, ignore, {});
    EXPECT_EQ(ignore.MessageIds(), std::vector<int>{kMsgCannotOpenFile});
    EXPECT_EQ(ignored.statistics.FilesProcessed, 2);
    EXPECT_EQ(ReadFile(P("a.txt")), "x\n");
    EXPECT_EQ(ReadFile(P("b.txt")), "y\r\n");

    WriteFile(P("b.txt"), "x\n");
    ScriptedUi retry;
    retry.Answer(kMsgCannotOpenFile, {4, 4});
    int shown = 0;
    retry.onMessage = [&](const ShownMessage& m) {
        if (m.id == kMsgCannotOpenFile && ++shown == 2) {
            ::close(lock); // the other program lets go
        }
    };
    RunResult retried = RunCheckedJob(job, retry, {});
    EXPECT_EQ(retry.MessageIds(), (std::vector<int>{kMsgCannotOpenFile, kMsgCannotOpenFile}));
    EXPECT_EQ(retried.statistics.FilesChanged, 2);
    EXPECT_EQ(ReadFile(P("a.txt")), "y\r\n");

    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("b.txt"), "x\n");
    int lockAgain = ::open(P("a.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(lockAgain, LOCK_EX), 0);
    ScriptedUi cancel;
    cancel.Answer(kMsgCannotOpenFile, {2});
    RunResult cancelled = RunCheckedJob(job, cancel, {});
    EXPECT_EQ(cancelled.outcome, RunOutcome::EndedEarly);
    EXPECT_EQ(cancel.MessageIds(), (std::vector<int>{kMsgCannotOpenFile, kMsgNoFileChanged}));
    EXPECT_EQ(ReadFile(P("b.txt")), "x\n");
    ::close(lockAgain);
}

TEST_F(RunJobTest, AFileThatVanishesOrBecomesADirectoryAfterTheScan) {
    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("b.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    ui.Fallback(kMsgCannotOpenFile, 5);
    ui.afterScan = [&] {
        ::unlink(P("a.txt").c_str());
        ::unlink(P("b.txt").c_str());
        ::mkdir(P("b.txt").c_str(), 0755);
    };
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(ui.MessageIds(),
              (std::vector<int>{kMsgCannotOpenFile, kMsgCannotOpenFile, kMsgNoFileChanged}));
    EXPECT_EQ(result.statistics.FilesProcessed, 2);
}

TEST_F(RunJobTest, ConfirmationYesNoCancel) {
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    job.confirm = true;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        WriteFile(P(name), "x\n");
    }
    ScriptedUi ui;
    ui.Answer(kMsgConfirmFile, {6, 7, 2});
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(ui.MessageIds(),
              (std::vector<int>{kMsgConfirmFile, kMsgConfirmFile, kMsgConfirmFile}));
    EXPECT_EQ(ui.messages[1].insert1, P("b.txt"));
    EXPECT_EQ(result.outcome, RunOutcome::EndedEarly);
    EXPECT_EQ(result.statistics.FilesProcessed, 2);
    EXPECT_EQ(ReadFile(P("a.txt")), "y\r\n");
    EXPECT_EQ(ReadFile(P("b.txt")), "x\n");
    EXPECT_EQ(ReadFile(P("c.txt")), "x\n");
    // Cancel leaves the temporary file of the cancelled file; "No" leaves none.
    EXPECT_TRUE(Exists(P("c.txt.QUINTREL-TEMP")));
    EXPECT_FALSE(Exists(P("b.txt.QUINTREL-TEMP")));
}

TEST_F(RunJobTest, StopAfterSomeFilesStillSummarisesThem) {
    for (int i = 0; i < 6; ++i) {
        WriteFile(P("f" + std::to_string(i) + ".txt"), "x\n");
    }
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    ui.stopAfterFiles = 2;
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_TRUE(result.stoppedByUser);
    EXPECT_EQ(result.outcome, RunOutcome::EndedEarly);
    EXPECT_EQ(ui.summaries, 1);
    EXPECT_EQ(ui.summaryStatistics.FilesChanged, 2);
    EXPECT_EQ(ui.summaryChangeLog, (std::vector<std::string>{P("f0.txt"), P("f1.txt")}));
    EXPECT_EQ(ReadFile(P("f2.txt")), "x\n");
    // Copies prepared ahead for the files after the stop are gone.
    for (const std::string& name : ListTree(dir.path())) {
        EXPECT_EQ(name.find("QUINTREL-TEMP"), std::string::npos) << name;
    }
}

TEST_F(RunJobTest, AFileChangedBeforeItsTurnIsReadAgain) {
    for (int i = 0; i < 6; ++i) {
        WriteFile(P("f" + std::to_string(i) + ".txt"), "x\n");
    }
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    // After the first file another program rewrites two later ones, after
    // the look ahead has long prepared their copies.
    bool rewritten = false;
    ui.afterProgress = [&](long position) {
        if (position == 1 && !rewritten) {
            rewritten = true;
            WriteFile(P("f3.txt"), "x x\nmore x\n");
            ::unlink(P("f4.txt").c_str());
            WriteFile(P("f4.txt"), "nothing to do\n");
        }
    };
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(ReadFile(P("f3.txt")), "y y\r\nmore y\r\n");
    EXPECT_EQ(ReadFile(P("f4.txt")), "nothing to do\n");
    EXPECT_EQ(result.statistics.FilesChanged, 5);
    EXPECT_EQ(result.statistics.ReplacementsMade, 7);
    for (const std::string& name : ListTree(dir.path())) {
        EXPECT_EQ(name.find("QUINTREL-TEMP"), std::string::npos) << name;
    }
}

TEST_F(RunJobTest, AWriteThatFailsMidwayLeavesTheFileUntouched) {
    std::string content;
    for (int i = 0; i < 20000; ++i) {
        content += "line x " + std::to_string(i) + "\n";
    }
    WriteFile(P("big.txt"), content);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            64 * 1024, 64 * 1024
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Job job = BasicJob();
        job.replace = {{"x", "y"}};
        ScriptedUi ui;
        RunCheckedJob(job, ui, {});
        bool ok = ui.MessageIds() == std::vector<int>{kMsgWriteError, kMsgNoFileChanged} &&
                  ui.messages[0].insert1 == P("big.txt.QUINTREL-TEMP");
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(P("big.txt")), content);
    EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"big.txt"});
}

TEST_F(RunJobTest, TemporaryFileThatCannotBeCreated) {
    WriteFile(P("a.txt"), "x\n");
    testing_support::MakeDirs(P("a.txt.QUINTREL-TEMP"));
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgCannotCreateTemp, kMsgNoFileChanged}));
    EXPECT_EQ(ui.messages[0].insert1, P("a.txt.QUINTREL-TEMP"));
    EXPECT_EQ(result.outcome, RunOutcome::EndedEarly);
    EXPECT_EQ(ReadFile(P("a.txt")), "x\n");
}

TEST_F(RunJobTest, AnEarlierBackupIsNeverReplaced) {
    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("a.txt.QUINTREL-BACKUP"), "older\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    RunCheckedJob(job, ui, {});
    EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgRenameError, kMsgNoFileChanged}));
    EXPECT_EQ(ui.messages[0].insert1, P("a.txt"));
    EXPECT_EQ(ui.messages[0].insert2, P("a.txt.QUINTREL-BACKUP"));
    EXPECT_EQ(ReadFile(P("a.txt")), "x\n");
    EXPECT_EQ(ReadFile(P("a.txt.QUINTREL-BACKUP")), "older\n");
}

TEST_F(RunJobTest, PermissionsSurviveAndLinksAreNeverWrittenThrough) {
    WriteFile(P("run.txt"), "echo x\n");
    ASSERT_EQ(::chmod(P("run.txt").c_str(), 0750), 0);
    WriteFile(P("victim"), "precious\n");
    ASSERT_EQ(::symlink(P("victim").c_str(), P("run.txt.QUINTREL-TEMP").c_str()), 0);
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    RunCheckedJob(job, ui, {});
    EXPECT_EQ(ReadFile(P("run.txt")), "echo y\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(P("run.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(ReadFile(P("victim")), "precious\n");
}

TEST_F(RunJobTest, HardLinkedNamesAreBothRewritten) {
    WriteFile(P("a.txt"), "x\n");
    ASSERT_EQ(::link(P("a.txt").c_str(), P("b.txt").c_str()), 0);
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    ui.finish = ScriptedUi::Finish::Undo;
    RunResult result = RunCheckedJob(job, ui, {});
    EXPECT_EQ(result.statistics.FilesChanged, 2);
    EXPECT_EQ(ReadFile(P("a.txt")), "x\n");
    EXPECT_EQ(ReadFile(P("b.txt")), "x\n");
}

TEST_F(RunJobTest, TextsTheCodingCannotRepresentRefuseTheStart) {
    WriteFile(P("a.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}, {"€", "EUR"}};
    job.code = CodeMode::Oem;
    ScriptedUi ui;
    EXPECT_EQ(RunCheckedJob(job, ui, {}).outcome, RunOutcome::Refused);
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgNotRepresentable});
    EXPECT_EQ(ui.messages[0].insert1, "€");
    EXPECT_EQ(ReadFile(P("a.txt")), "x\n");
    // Replacement texts too, in code page 1252 as well.
    job.code = CodeMode::Ansi;
    job.replace = {{"x", "y"}, {"fine", "Ω"}};
    ScriptedUi ansi;
    EXPECT_EQ(RunCheckedJob(job, ansi, {}).outcome, RunOutcome::Refused);
    EXPECT_EQ(ansi.messages.at(0).insert1, "Ω");
    // With replacements off, the texts are not looked at.
    job.performReplace = false;
    ScriptedUi off;
    EXPECT_EQ(RunCheckedJob(job, off, {}).outcome, RunOutcome::Completed);
}

TEST_F(RunJobTest, OnlyOneRunAtATime) {
    WriteFile(P("a.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    ScriptedUi ui;
    RunOutcome inner = RunOutcome::Completed;
    ui.beforeFinish = [&](const RunSummaryInfo&) {
        ScriptedUi second;
        inner = RunCheckedJob(job, second, {}).outcome;
        EXPECT_TRUE(second.messages.empty());
        EXPECT_TRUE(IsRunUnderWay());
    };
    RunCheckedJob(job, ui, {});
    EXPECT_EQ(inner, RunOutcome::Busy);
    EXPECT_FALSE(IsRunUnderWay());
}

TEST_F(RunJobTest, ANamedChangeLogIsWrittenDuringTheRunAndKept) {
    WriteFile(P("a.txt"), "x\n");
    WriteFile(P("b.txt"), "x\n");
    Job job = BasicJob();
    job.replace = {{"x", "y"}};
    RunOptions options;
    options.changeLogPath = P("log/changes.log");
    ScriptedUi missingDir;
    EXPECT_EQ(RunCheckedJob(job, missingDir, options).outcome, RunOutcome::SetupFailed);
    EXPECT_EQ(missingDir.MessageIds(), std::vector<int>{kMsgChangeLogNotCreated});

    options.changeLogPath = P("changes.log");
    ScriptedUi ui;
    ui.finish = ScriptedUi::Finish::Keep;
    RunCheckedJob(job, ui, options);
    const std::string log = ReadFile(P("changes.log"));
    EXPECT_EQ(ReadChangeLog(P("changes.log")), (std::vector<std::string>{P("a.txt"), P("b.txt")}));
    EXPECT_TRUE(Exists(P("a.txt.QUINTREL-BACKUP")));
    // An existing log is never overwritten.
    ScriptedUi again;
    EXPECT_EQ(RunCheckedJob(job, again, options).outcome, RunOutcome::SetupFailed);
    EXPECT_EQ(ReadFile(P("changes.log")), log);
}

TEST_F(RunJobTest, KeepingLineEndsChangesOnlyTheReplacedText) {
    const std::string script = "#!/bin/sh\n# greeting\r\necho 'Hallo Welt'\nexit 0\n";
    WriteFile(P("greet.sh"), script);
    ASSERT_EQ(::chmod(P("greet.sh").c_str(), 0755), 0);
    Job job = BasicJob();
    job.files = {"*.sh"};
    job.keepLineEnds = true;
    job.replace = {{"Welt", "Erde"}};
    ScriptedUi ui;
    RunCheckedJob(job, ui, {});
    std::string expectedScript = script;
    expectedScript.replace(expectedScript.find("Welt"), 4, "Erde");
    EXPECT_EQ(ReadFile(P("greet.sh")), expectedScript);
    // The script still runs, and prints the new text.
    std::string command = "sh -c '" + P("greet.sh") + "' > " + P("out");
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(P("out")), "Hallo Erde\n");
}

TEST(StartConditions, OrderAndRewriting) {
    struct Case {
        const char* name;
        DateDependency dateDependency;
        const char* date;
        const char* time;
        bool directories, files;
        StartProblem problem;
        const char* shownDate; // what the check gives back to show
        const char* shownTime;
    };
    const Case cases[] = {
        {"all files ignores bad dates", DateDependency::AllFiles, "x", "y", true, true,
         StartProblem::None, "x", "y"},
        {"invalid date wins over empty lists", DateDependency::NewerOrEqual, "31.02.2026", "",
         false, false, StartProblem::InvalidDate, "31.02.2026", ""},
        {"invalid time, the valid date rewritten", DateDependency::Older, "1.2.2026", "25:00", true,
         true, StartProblem::InvalidTime, "01.02.2026", "25:00"},
        {"no directory, both rewritten", DateDependency::NewerOrEqual, "2026-02-01", "7", false,
         true, StartProblem::NoDirectory, "01.02.2026", "07:00:00"},
        {"no file group", DateDependency::AllFiles, "", "", true, false, StartProblem::NoFileGroup,
         "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.dateDependency = c.dateDependency;
        job.compareDate = c.date;
        job.compareTime = c.time;
        if (c.directories) {
            job.directories = {"/tmp"};
        }
        if (c.files) {
            job.files = {"*"};
        }
        StartCheck check = CheckStart(job);
        EXPECT_EQ(check.problem, c.problem);
        EXPECT_EQ(check.compareDate, c.shownDate);
        EXPECT_EQ(check.compareTime, c.shownTime);
        // A job that did not pass is refused by the run with the same message.
        if (!check.ok()) {
            ScriptedUi ui;
            EXPECT_EQ(RunJob(job, check, ui).outcome, RunOutcome::Refused);
            EXPECT_EQ(ui.MessageIds(), std::vector<int>{StartProblemMessage(c.problem)});
        }
    }
}

TEST(PreparedCopies, StandOnlyWhileNothingHasChanged) {
    TempDir dir;
    Job job;
    job.replace = {{"x", "y"}};
    ReplacementTable table;
    ASSERT_TRUE(BuildReplacementTable(job, table));
    LineSettings lines;
    lines.table = &table;
    ScratchBuffers scratch;
    ScriptedUi ui;
    RunStatistics statistics;
    RewriteContext context;
    context.lines = lines;
    context.ui = &ui;
    context.statistics = &statistics;
    auto always = [](std::size_t) { return true; };

    // Untouched: the prepared copy is committed as it is.
    WriteFile(dir / "a.txt", "x\n");
    LookResult a = LookAhead(dir / "a.txt", lines, scratch, always);
    ASSERT_EQ(a.verdict, Verdict::Prepared);
    EXPECT_EQ(ReadFile(dir / "a.txt.QUINTREL-TEMP"), "y\r\n");
    EXPECT_EQ(ReadFile(dir / "a.txt"), "x\n") << "a look never touches the file";
    EXPECT_EQ(CommitPrepared(dir / "a.txt", a, context), FileResult::Committed);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "y\r\n");

    // The file changed after its copy was prepared: it is read again.
    WriteFile(dir / "b.txt", "x\n");
    LookResult b = LookAhead(dir / "b.txt", lines, scratch, always);
    ASSERT_EQ(b.verdict, Verdict::Prepared);
    WriteFile(dir / "b.txt", "x x\n");
    EXPECT_EQ(CommitPrepared(dir / "b.txt", b, context), FileResult::Committed);
    EXPECT_EQ(ReadFile(dir / "b.txt"), "y y\r\n");

    // Someone else's file now stands under the temporary name: it is the one
    // a rewrite deletes first, as it would delete any leftover.
    WriteFile(dir / "c.txt", "x\n");
    LookResult c = LookAhead(dir / "c.txt", lines, scratch, always);
    ::unlink((dir / "c.txt.QUINTREL-TEMP").c_str());
    WriteFile(dir / "c.txt.QUINTREL-TEMP", "foreign");
    DiscardPrepared(dir / "c.txt", c);
    EXPECT_EQ(ReadFile(dir / "c.txt.QUINTREL-TEMP"), "foreign")
        << "discarding deletes only the copy it made";
    EXPECT_EQ(CommitPrepared(dir / "c.txt", c, context), FileResult::Committed);
    EXPECT_EQ(ReadFile(dir / "c.txt"), "y\r\n");

    // Locked by another program at its turn: the full rewrite asks.
    WriteFile(dir / "d.txt", "x\n");
    LookResult d = LookAhead(dir / "d.txt", lines, scratch, always);
    int lock = ::open((dir / "d.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    ui.Answer(kMsgCannotOpenFile, {5});
    EXPECT_EQ(CommitPrepared(dir / "d.txt", d, context), FileResult::Unchanged);
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgCannotOpenFile});
    EXPECT_FALSE(Exists(dir / "d.txt.QUINTREL-TEMP"));
    ::close(lock);

    // No room granted: nothing is prepared.
    WriteFile(dir / "e.txt", "x\n");
    LookResult e = LookAhead(dir / "e.txt", lines, scratch, [](std::size_t) { return false; });
    EXPECT_EQ(e.verdict, Verdict::NeedsRewrite);
    EXPECT_FALSE(Exists(dir / "e.txt.QUINTREL-TEMP"));
    EXPECT_EQ(statistics.FilesChanged, 3);
}

} // namespace
