#include "batch_run.h"

#include "batch_texts.h"
#include "commit_undo.h"
#include "json_report.h"
#include "recover.h"
#include "terminal_ui.h"
#include "velmor_version.h"

#include <cstdio>
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
    for (int id : {kMsgRenameError, kMsgDeleteError, kMsgChangeLogWriteError,
                   kMsgChangeLogNotOpened, kMsgChangeLogFinished, kMsgBackupKeptNotDurable,
                   kMsgBackupChangedKept, kMsgNewContentLost}) {
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
    report.messages = ui.messages();
    return ExitStatusOf(result.outcome, !ui.finished() || ShowedFinishFailure(ui));
}

int FinishKeptRun(const BatchOptions& options, BatchReport& report) {
    TerminalUi ui(options, false);
    std::vector<std::string> paths = ReadChangeLog(options.log);
    const long count = static_cast<long>(paths.size());
    bool read = options.finish == FinishMode::AcceptLog ? CommitChanges(options.log, count, ui)
                                                        : UndoChanges(options.log, count, ui);
    if (read) {
        report.changed = std::move(paths);
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
    FinishLeftovers(leftovers, options.recoverMode, [&ui](const std::string& path) {
        return ui.ShowMessage(kMsgUndoOverLaterEdit, path, {}) == Answer::Yes;
    });
    const bool outputIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    const bool errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    bool allDone = true;
    for (const Leftover& leftover : leftovers) {
        const bool done = leftover.outcome == FinishOutcome::Restored ||
                          leftover.outcome == FinishOutcome::Accepted ||
                          leftover.outcome == FinishOutcome::TemporaryDeleted;
        const bool attention =
            leftover.outcome == FinishOutcome::Left || leftover.outcome == FinishOutcome::Failed;
        allDone = allDone && done;
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
        return status;
    }
    }
    if (options.json) {
        WriteAll(stdout, JsonReport(report));
    }
    return status;
}
