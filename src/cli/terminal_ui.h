// The run's interface on a terminal: every message goes to standard error in
// the program's words; a question is answered by --answer, else asked on the
// terminal when standard input is one, else given its default answer; the
// summary prints the counters and the changed files and then finishes the
// run the way the command line asked.
#pragma once

#include "batch_options.h"
#include "json_report.h"
#include "run_ui.h"
#include "string_table.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class TerminalUi : public RunUi {
public:
    // `interactive`: questions not covered by --answer are asked on standard
    // input (normally: standard input is a terminal).
    TerminalUi(const BatchOptions& options, bool interactive);

    Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) override;
    bool ScanProgress(const std::string& directory) override;
    void CreateProgress(int titleId, long total) override;
    void UpdateProgress(long position) override;
    bool ProgressAborted() override;
    void DestroyProgress() override;
    void KeepAlive() override;
    void RunSummary(const RunSummaryInfo& info) override;

    // Every message shown so far, in order, with the answer given back.
    const std::vector<ReportedMessage>& messages() const { return messages_; }
    bool Shown(int id) const;
    // True when message `id` was answered with `answer` at least once.
    bool Answered(int id, Answer answer) const;
    // The changed files, read from the change log when the summary ran.
    const std::vector<std::string>& changed() const { return changed_; }
    // The same with their counters (and changes, with --diff).
    const std::vector<FileReport>& files() const { return files_; }
    bool summaryRan() const { return summaryRan_; }
    // False when the summary's commit or undo could not read the change log.
    bool finished() const { return finished_; }

    // The closing summary on standard output, unless --json or --quiet.
    void PrintSummary(const RunStatistics& statistics, const std::vector<std::string>& changed);

private:
    Answer AnswerQuestion(int id, const std::vector<Answer>& buttons, std::string_view path);
    Answer ScriptedAnswer(int id, Answer code, std::string_view path);
    std::optional<Answer> AskOnTerminal(const std::vector<Answer>& buttons);
    // Writes to standard error, taking the progress line away first.
    void PrintError(const std::string& text);
    void ClearProgressLine();

    const BatchOptions& options_;
    bool interactive_;
    bool errorIsTerminal_;
    bool outputIsTerminal_;
    bool progressShown_; // a progress line is drawn on standard error
    std::vector<ReportedMessage> messages_;
    std::vector<std::string> changed_;
    std::vector<FileReport> files_;
    bool summaryRan_ = false;
    bool finished_ = true;
    bool stopNoticeShown_ = false;

    // Retries given by --answer for one file.
    std::string retryPath_;
    int retries_ = 0;

    // The progress line.
    std::string progressTitle_;
    long progressTotal_ = 0;
    bool progressDrawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};
