#include "terminal_ui.h"

#include "batch_texts.h"
#include "commit_undo.h"
#include "file_reports.h"
#include "stop_signals.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// How often a Retry given by --answer is tried before the file is ignored.
constexpr int kScriptedRetries = 3;
constexpr int kRetryPauseMs = 1000;

bool Offers(const std::vector<Answer>& buttons, Answer answer) {
    for (Answer button : buttons) {
        if (button == answer) {
            return true;
        }
    }
    return false;
}

// The answer when nobody is asked: a file that looks binary is skipped, a
// file that cannot be opened or changed is ignored, a file to confirm is
// changed, a file changed after the run is not put back.
Answer DefaultAnswer(int id, const std::vector<Answer>& buttons) {
    switch (id) {
    case kMsgNotTextFile:
        return Answer::Ok;
    case kMsgCannotOpenFile:
    case kMsgWriteProtected:
    case kMsgPermissionsNotCarried:
        return Answer::Ignore;
    case kMsgConfirmFile:
        return Answer::Yes;
    case kMsgUndoOverLaterEdit:
        return Answer::No;
    default:
        return Offers(buttons, Answer::Cancel) ? Answer::Cancel : buttons.front();
    }
}

// The answer once a stop was asked for: the file in question is left as it
// is and the run goes on to its next poll, where it stops.
Answer StopAnswer(const std::vector<Answer>& buttons) {
    for (Answer answer : {Answer::Ignore, Answer::No, Answer::Ok}) {
        if (Offers(buttons, answer)) {
            return answer;
        }
    }
    return Offers(buttons, Answer::Cancel) ? Answer::Cancel : buttons.front();
}

std::string AnswerLabel(Answer answer) {
    return std::string(ButtonName(answer)) + " (" + std::to_string(static_cast<int>(answer)) + ")";
}

void WriteAll(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

enum class LineRead { Line, EndOfInput, Stopped };

// Reads one line from standard input, waking for a stop request.
LineRead ReadAnswerLine(std::string& line) {
    line.clear();
    while (true) {
        struct pollfd watch[2] = {};
        watch[0].fd = STDIN_FILENO;
        watch[0].events = POLLIN;
        watch[1].fd = StopSignalDescriptor();
        watch[1].events = POLLIN;
        if (StopRequested()) {
            return LineRead::Stopped;
        }
        int ready = ::poll(watch, watch[1].fd >= 0 ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LineRead::EndOfInput;
        }
        if (StopRequested()) {
            return LineRead::Stopped;
        }
        if (watch[0].revents == 0) {
            continue;
        }
        char c = 0;
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return LineRead::EndOfInput;
        }
        if (c == '\n') {
            return LineRead::Line;
        }
        line += c;
    }
}

} // namespace

TerminalUi::TerminalUi(const BatchOptions& options, bool interactive)
    : options_(options), interactive_(interactive), errorIsTerminal_(::isatty(STDERR_FILENO) == 1),
      outputIsTerminal_(::isatty(STDOUT_FILENO) == 1),
      progressShown_(!options.quiet && errorIsTerminal_) {}

Answer TerminalUi::ShowMessage(int id, std::string_view insert1, std::string_view insert2) {
    MessageParts parts = MessageOf(id);
    std::vector<Answer> buttons = ButtonsOf(parts);
    ReportedMessage record;
    record.id = id;
    const int inserts = InsertCount(id);
    if (inserts >= 1) {
        record.inserts.emplace_back(insert1);
    }
    if (inserts >= 2) {
        record.inserts.emplace_back(insert2);
    }
    // The inserts are paths: on a terminal their control characters are
    // shown as '?'. The JSON report keeps them as they are.
    const std::string text =
        (errorIsTerminal_ ? FillInserts(parts.text, ForTerminal(insert1), ForTerminal(insert2))
                          : FillInserts(parts.text, insert1, insert2)) +
        "\n";
    if (buttons.size() == 1) {
        // Information: one button, nothing to decide.
        if (!(options_.quiet && parts.kind == '!')) {
            PrintError(text);
        }
        record.answer = static_cast<int>(buttons.front());
    } else {
        PrintError(text);
        record.answer = static_cast<int>(AnswerQuestion(id, buttons, insert1));
    }
    messages_.push_back(std::move(record));
    return static_cast<Answer>(messages_.back().answer);
}

Answer TerminalUi::AnswerQuestion(int id, const std::vector<Answer>& buttons,
                                  std::string_view path) {
    Answer answer = Answer::Ok;
    if (StopRequested()) {
        answer = StopAnswer(buttons);
    } else if (auto given = options_.answers.find(id); given != options_.answers.end()) {
        answer = ScriptedAnswer(id, static_cast<Answer>(given->second), path);
    } else if (interactive_) {
        if (std::optional<Answer> typed = AskOnTerminal(buttons)) {
            return *typed;
        }
        answer = StopRequested() ? StopAnswer(buttons) : DefaultAnswer(id, buttons);
    } else {
        answer = DefaultAnswer(id, buttons);
    }
    PrintError(ToolMessage(ToolText::AnswerTaken, AnswerLabel(answer)) + "\n");
    return answer;
}

// A Retry from the command line is tried a few more times, a second apart,
// and then taken as Ignore, so an unattended run never loops on a file.
Answer TerminalUi::ScriptedAnswer(int id, Answer code, std::string_view path) {
    const bool retryable =
        id == kMsgCannotOpenFile || id == kMsgWriteProtected || id == kMsgPermissionsNotCarried;
    if (!retryable || code != Answer::Retry) {
        return code;
    }
    if (path != retryPath_) {
        retryPath_ = std::string(path);
        retries_ = 0;
    }
    if (retries_ >= kScriptedRetries || WaitForStop(kRetryPauseMs)) {
        retryPath_.clear();
        return Answer::Ignore;
    }
    ++retries_;
    return code;
}

std::optional<Answer> TerminalUi::AskOnTerminal(const std::vector<Answer>& buttons) {
    std::string choices;
    for (Answer button : buttons) {
        if (!choices.empty()) {
            choices += ", ";
        }
        choices += std::to_string(static_cast<int>(button)) + " " + std::string(ButtonName(button));
    }
    while (true) {
        PrintError(ToolMessage(ToolText::AnswerPrompt, choices));
        std::string line;
        LineRead read = ReadAnswerLine(line);
        if (read != LineRead::Line) {
            PrintError("\n");
            if (read == LineRead::EndOfInput) {
                interactive_ = false; // nothing more can be typed
            }
            return std::nullopt;
        }
        if (std::optional<Answer> answer = ParsePromptAnswer(line, buttons)) {
            return answer;
        }
        PrintError(ToolMessage(ToolText::AnswerAgain) + "\n");
    }
}

bool TerminalUi::ScanProgress(const std::string&) {
    return !StopRequested();
}

void TerminalUi::CreateProgress(int titleId, long total) {
    progressTitle_ = std::string(TableText(titleId));
    progressTotal_ = total;
    lastDraw_ = {};
}

void TerminalUi::UpdateProgress(long position) {
    if (!progressShown_) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (position < progressTotal_ && now - lastDraw_ < std::chrono::milliseconds(100)) {
        return;
    }
    lastDraw_ = now;
    WriteAll(stderr, "\r\033[K" + progressTitle_ + "  " + std::to_string(position) + "/" +
                         std::to_string(progressTotal_));
    progressDrawn_ = true;
}

bool TerminalUi::ProgressAborted() {
    return StopRequested();
}

void TerminalUi::DestroyProgress() {
    ClearProgressLine();
}

void TerminalUi::KeepAlive() {
    // Inside a long file: say that the stop was heard.
    if (StopRequested() && !stopNoticeShown_ && !options_.quiet) {
        stopNoticeShown_ = true;
        PrintError(ToolMessage(ToolText::StopNotice) + "\n");
    }
}

void TerminalUi::RunSummary(const RunSummaryInfo& info) {
    summaryRan_ = true;
    files_ = ReportChangedFiles(info.changeLogPath, options_.diff ? &info.lines : nullptr);
    changed_.clear();
    for (const FileReport& file : files_) {
        changed_.push_back(file.path);
    }
    // The report comes first: with --undo it is the preview of the changes.
    PrintSummary(info.statistics, changed_);
    if (options_.diff && !options_.json && !options_.quiet) {
        for (const FileReport& file : files_) {
            WriteAll(stdout, file.diff);
        }
    }
    if (options_.dryRun) {
        return; // nothing was changed, so nothing is finished
    }
    switch (options_.finish) {
    case FinishMode::Undo:
        finished_ = UndoChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
        break;
    case FinishMode::Keep:
        break; // changes, backups and the log stay for --accept-log / --undo-log
    default:
        finished_ = CommitChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
        break;
    }
}

bool TerminalUi::Answered(int id, Answer answer) const {
    for (const ReportedMessage& message : messages_) {
        if (message.id == id && message.answer == static_cast<int>(answer)) {
            return true;
        }
    }
    return false;
}

bool TerminalUi::Shown(int id) const {
    for (const ReportedMessage& message : messages_) {
        if (message.id == id) {
            return true;
        }
    }
    return false;
}

void TerminalUi::PrintSummary(const RunStatistics& statistics,
                              const std::vector<std::string>& changed) {
    if (options_.json || options_.quiet) {
        return;
    }
    ClearProgressLine();
    if (!outputIsTerminal_) {
        WriteAll(stdout, FormatSummary(statistics, changed));
        return;
    }
    std::vector<std::string> shown;
    for (const std::string& path : changed) {
        shown.push_back(ForTerminal(path));
    }
    WriteAll(stdout, FormatSummary(statistics, shown));
}

void TerminalUi::PrintError(const std::string& text) {
    ClearProgressLine();
    // A message names the tool; a bare line end (after an unanswered
    // prompt) only ends the line.
    WriteAll(stderr, text == "\n" ? text : ForStandardError(text));
}

void TerminalUi::ClearProgressLine() {
    if (progressDrawn_) {
        WriteAll(stderr, "\r\033[K");
        progressDrawn_ = false;
    }
}
