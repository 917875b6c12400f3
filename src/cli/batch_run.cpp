#include "batch_run.h"

#include "batch_texts.h"
#include "commit_undo.h"
#include "file_reports.h"
#include "json_report.h"
#include "recover.h"
#include "terminal_ui.h"
#include "velmor_version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

void WriteAll(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// Messages that say a file was left unfinished (not renamed, a backup kept,
// a later change not undone) or a change log could not be read or written:
// the run's result is then not what was asked for.
bool ShowedFinishFailure(const TerminalUi& ui) {
    for (int id :
         {kMsgRenameError, kMsgDeleteError, kMsgChangeLogWriteError, kMsgChangeLogNotOpened,
          kMsgChangeLogFinished, kMsgBackupKeptNotDurable, kMsgBackupChangedKept,
          kMsgNewContentLost, kMsgDirectoriesNotSearched, kMsgMatchLimit}) {
        if (ui.Shown(id)) {
            return true;
        }
    }
    // A file changed after the run that was not put back is left for later.
    return ui.Answered(kMsgUndoOverLaterEdit, Answer::No);
}

int CarryOutJob(const BatchOptions& options, bool interactive, BatchReport& report) {
    TerminalUi ui(options, interactive);
    const StartCheck start = CheckStart(options.job);
    if (!start.ok()) {
        ui.ShowMessage(StartProblemMessage(start.problem), {}, {});
        report.messages = ui.messages();
        return kExitRefused;
    }
    RunOptions runOptions;
    if (options.finish == FinishMode::Keep) {
        runOptions.changeLogPath = options.log;
    }
    runOptions.dryRun = options.dryRun;
    RunResult result = RunJob(options.job, start, ui, runOptions);
    if (result.outcome == RunOutcome::NoFiles && options.finish == FinishMode::Keep) {
        // A kept run that found nothing has an empty change log, so that
        // finishing it later works like finishing any other kept run.
        int log =
            ::open(options.log.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (log >= 0) {
            ::close(log);
        }
    }
    const bool processed =
        result.outcome == RunOutcome::Completed || result.outcome == RunOutcome::EndedEarly;
    if (processed && !ui.summaryRan()) {
        ui.PrintSummary(result.statistics, {});
    }
    report.statistics = result.statistics;
    report.changed = ui.changed();
    report.files = ui.files();
    report.messages = ui.messages();
    return ExitStatusOf(result.outcome, !ui.finished() || ShowedFinishFailure(ui));
}

int FinishKeptRun(const BatchOptions& options, BatchReport& report) {
    TerminalUi ui(options, false);
    std::vector<FileReport> files = ReportChangedFiles(options.log, nullptr);
    // With --only, just the files named (as the log names them).
    const FileSelection only(options.only.begin(), options.only.end());
    const FileSelection* selection = options.only.empty() ? nullptr : &only;
    if (selection != nullptr) {
        std::erase_if(files, [&](const FileReport& file) { return only.count(file.path) == 0; });
    }
    const long count = static_cast<long>(files.size());
    bool read = options.finish == FinishMode::AcceptLog
                    ? CommitChanges(options.log, count, ui, selection)
                    : UndoChanges(options.log, count, ui, selection);
    if (read) {
        for (const FileReport& file : files) {
            report.changed.push_back(file.path);
        }
        report.files = std::move(files);
    }
    report.messages = ui.messages();
    return !read || ShowedFinishFailure(ui) ? kExitEndedEarly : kExitDone;
}

// Reports, and finishes when asked, what interrupted runs left below the
// directory. Lines that need the user's attention (an only copy kept, a
// failure, a directory not searched) go to standard error, the others to
// standard output.
int RecoverTree(const BatchOptions& options, bool interactive, std::string& json) {
    std::vector<Leftover> leftovers;
    if (!FindLeftovers(options.recoverDirectory, leftovers)) {
        std::string error = ToolMessage(ToolText::RecoverUnreadable, options.recoverDirectory);
        WriteAll(stderr, ForStandardError(error + "\n"));
        json = JsonRecoverReport({}, error);
        return kExitRefused;
    }
    // A file changed after the interrupted run is put back only on a Yes.
    TerminalUi ui(options, interactive);
    FinishLeftovers(leftovers, options.recoverMode, options.recoverDirectory,
                    [&ui](const std::string& path) {
                        return ui.ShowMessage(kMsgUndoOverLaterEdit, path, {}) == Answer::Yes;
                    });
    const bool outputIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    const bool errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    bool allDone = true;
    for (const Leftover& leftover : leftovers) {
        const bool done = leftover.outcome == FinishOutcome::Restored ||
                          leftover.outcome == FinishOutcome::Accepted ||
                          leftover.outcome == FinishOutcome::TemporaryDeleted;
        // A content lost in a power cut is worth the user's attention even
        // though its backup took its place again.
        const bool attention = leftover.outcome == FinishOutcome::Left ||
                               leftover.outcome == FinishOutcome::Failed ||
                               leftover.finding == Finding::NewContentLost;
        allDone = allDone && done && !attention;
        if (attention) {
            WriteAll(stderr, ForStandardError(FormatLeftover(leftover, errorIsTerminal)));
        } else if (!options.quiet && !options.json) {
            WriteAll(stdout, FormatLeftover(leftover, outputIsTerminal));
        }
    }
    if (leftovers.empty() && !options.quiet && !options.json) {
        WriteAll(stdout,
                 ToolMessage(ToolText::RecoverNothingFound, options.recoverDirectory) + "\n");
    }
    json = JsonRecoverReport(leftovers, {});
    return allDone ? kExitDone : kExitEndedEarly;
}

// What was printed must have reached standard output: when it could not be
// written (a full disk, a closed pipe), the tool says so and its status is
// at least 1.
int FinishOutput(int status) {
    errno = 0;
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::fclose(stdout) == 0) {
        return status;
    }
    int error = errno != 0 ? errno : EIO;
    std::string text =
        "quintrel-batch: " + ToolMessage(ToolText::OutputNotWritten, std::strerror(error)) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    return status == kExitDone ? kExitEndedEarly : status;
}

} // namespace

int ExitStatusOf(RunOutcome outcome, bool finishFailed) {
    switch (outcome) {
    case RunOutcome::Refused:
        return kExitRefused;
    case RunOutcome::Completed:
    case RunOutcome::NoFiles:
        return finishFailed ? kExitEndedEarly : kExitDone;
    default:
        return kExitEndedEarly;
    }
}

int RunBatch(const BatchOptions& options, bool interactive) {
    BatchReport report;
    int status = kExitDone;
    // With --json, standard output holds the object and nothing else.
    std::FILE* textOut = options.json ? stderr : stdout;
    switch (options.action) {
    case BatchAction::UsageError:
        WriteAll(stderr, ForStandardError(options.error + "\n") +
                             ForStandardError(ToolMessage(ToolText::TryHelp) + "\n"));
        report.error = options.error;
        status = kExitRefused;
        break;
    case BatchAction::Help:
        WriteAll(textOut, HelpText());
        break;
    case BatchAction::Version:
        WriteAll(textOut, "quintrel-batch (Velmor Quintrel) " VELMOR_VERSION_TEXT "\n");
        break;
    case BatchAction::FinishLog:
        status = FinishKeptRun(options, report);
        break;
    case BatchAction::Run:
        status = CarryOutJob(options, interactive, report);
        break;
    case BatchAction::Recover: {
        std::string json;
        status = RecoverTree(options, interactive, json);
        if (options.json) {
            WriteAll(stdout, json);
        }
        return FinishOutput(status);
    }
    }
    if (options.json) {
        WriteAll(stdout, JsonReport(report));
    }
    return FinishOutput(status);
}
