#include "run_job.h"

#include "change_log.h"
#include "date_time.h"
#include "directory_scan.h"
#include "file_names.h"
#include "file_ops.h"
#include "read_ahead.h"
#include "replacement_table.h"
#include "rewrite_file.h"
#include "start_check.h"
#include "string_table.h"
#include "velmor_strings.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> gRunUnderWay{false};

// Marks the run as under way for its whole duration.
class RunGuard {
public:
    RunGuard() : acquired_(!gRunUnderWay.exchange(true)) {}
    ~RunGuard() {
        if (acquired_) {
            gRunUnderWay.store(false);
        }
    }
    bool acquired() const { return acquired_; }

private:
    bool acquired_;
};

// Deletes a file when the scope ends, unless released.
class RemoveOnExit {
public:
    explicit RemoveOnExit(std::string path = {}) : path_(std::move(path)) {}
    ~RemoveOnExit() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;
    void Release() { path_.clear(); }
    void Reset(std::string path) { path_ = std::move(path); }

private:
    std::string path_;
};

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

// Reads the file list one path at a time, whatever the length of a path.
class PathReader {
public:
    explicit PathReader(std::FILE* file) : file_(file) {}
    ~PathReader() { std::free(line_); }
    PathReader(const PathReader&) = delete;
    PathReader& operator=(const PathReader&) = delete;

    bool Next(std::string& path) {
        ssize_t n = ::getline(&line_, &capacity_, file_);
        if (n < 0) {
            return false;
        }
        path.assign(line_, static_cast<std::size_t>(n));
        CutTrailingControls(path);
        NormalizePath(path);
        return true;
    }

private:
    std::FILE* file_;
    char* line_ = nullptr;
    std::size_t capacity_ = 0;
};

int ReadAheadThreads() {
    unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) {
        cores = 2;
    }
    return static_cast<int>(cores > 4 ? 4 : cores);
}

// Builds the run's table when replacements are on; a text the coding cannot
// represent (2019) or a pattern that cannot be used (2028, 2029) refuses the
// Start (the message is shown, false).
bool PrepareTable(const Job& job, ReplacementTable& table, RunUi& ui) {
    if (!job.performReplace) {
        return true;
    }
    TableMessage message;
    if (BuildTableForRun(job, table, message)) {
        return true;
    }
    ui.ShowMessage(message.id, message.insert1, message.insert2);
    return false;
}

// The file list in its order, each path with what the look ahead found; the
// look ahead keeps up to a window of paths in front of the run.
class FileQueue {
public:
    static constexpr std::size_t kWindow = 512;
    // While the scan runs, nothing is taken yet: the look ahead goes on with
    // the files as they are listed, up to this many (a bound on the verdicts
    // held, so memory stays flat however many files are listed).
    static constexpr std::size_t kScanWindow = 16384;

    // `ahead` may be null; `submitted` paths went to it during the scan.
    FileQueue(std::FILE* list, ReadAhead* ahead, std::size_t submitted)
        : reader_(list), ahead_(ahead), submittedDuringScan_(submitted) {}

    // The next path of the list and its look; false at the end of the list.
    bool Next(std::string& path, LookResult& look, RunUi& ui) {
        Fill();
        if (window_.empty()) {
            return false;
        }
        path = std::move(window_.front());
        window_.pop_front();
        look = ahead_ ? ahead_->Take(ui) : LookResult{};
        return true;
    }

private:
    void Fill() {
        while (!listEnded_ && window_.size() < (ahead_ ? kWindow : 1)) {
            std::string path;
            if (!reader_.Next(path)) {
                listEnded_ = true;
                return;
            }
            // The first paths went to the look ahead during the scan.
            if (ahead_ && ++pathsRead_ > submittedDuringScan_) {
                ahead_->Submit(path);
            }
            window_.push_back(std::move(path));
        }
    }

    PathReader reader_;
    ReadAhead* ahead_;
    std::size_t submittedDuringScan_;
    std::deque<std::string> window_; // paths handed to the look ahead, oldest first
    bool listEnded_ = false;
    std::size_t pathsRead_ = 0;
};

// The run's two files: the file list, and the change log (a temporary one
// unless the caller names it). Temporary ones are deleted at the end.
struct RunFiles {
    std::string fileList;
    RemoveOnExit removeFileList;
    std::string changeLog;
    RemoveOnExit removeChangeLog;
    bool namedChangeLog = false;
};

// Makes the temporary names; false when that fails (the message is shown).
bool MakeRunFiles(const RunOptions& options, RunFiles& files, RunUi& ui, RunOutcome& failure) {
    std::error_code error;
    files.fileList = CreateTemporaryFileName("VQP", error);
    files.removeFileList.Reset(files.fileList);
    if (error) {
        ui.ShowMessage(kMsgFileListNotOpened, TemporaryDirectory());
        failure = RunOutcome::ScanFailed;
        return false;
    }
    files.namedChangeLog = !options.changeLogPath.empty();
    files.changeLog = options.changeLogPath;
    if (!files.namedChangeLog) {
        files.changeLog = CreateTemporaryFileName("VQP", error);
        if (error) {
            ui.ShowMessage(kMsgChangeLogNotCreated, TemporaryDirectory());
            failure = RunOutcome::SetupFailed;
            return false;
        }
        files.removeChangeLog.Reset(files.changeLog);
    }
    return true;
}

// The copies a dry run left in the temporary directory.
void DeleteDryRunCopies(const std::string& changeLog) {
    ChangeLogReader log(changeLog);
    ChangeRecord record;
    while (log.Next(record)) {
        if (!record.copyPath.empty()) {
            ::unlink(record.copyPath.c_str());
        }
    }
}

// The directories that could not be searched, one a line; a very long list
// ends with how many more there are.
std::string ListOfDirectories(const std::vector<std::string>& directories) {
    constexpr std::size_t kShown = 100;
    std::string text;
    for (std::size_t i = 0; i < directories.size() && i < kShown; ++i) {
        text += (i == 0 ? "" : "\n") + directories[i];
    }
    if (directories.size() > kShown) {
        text += "\n(+" + std::to_string(directories.size() - kShown) + ")";
    }
    return text;
}

// The scan into the file list. The look ahead works on the files as they are
// listed while the scan still lists the rest; it only reads, so nothing shows
// before the run's turn. Gives the outcome that ends the run, or nothing.
std::optional<RunOutcome> ScanFiles(const Job& job, const StartCheck& start, const RunFiles& files,
                                    ReadAhead* ahead, ScanRequest& request, std::size_t& submitted,
                                    RunUi& ui) {
    request.files = JoinWith(job.files, '\t');
    request.flags = ScanAlways;
    if (job.subdirs) {
        request.flags |= ScanSubdirs;
    }
    if (HasDateFilter(job)) {
        request.flags |=
            job.dateDependency == DateDependency::NewerOrEqual ? ScanNewerOrEqual : ScanOlder;
    }
    request.compare = &start.compare;
    request.progress = [&ui](const std::string& directory) { return ui.ScanProgress(directory); };
    request.excludedFiles = {files.fileList, files.changeLog};
    if (ahead != nullptr) {
        request.listed = [&](const std::string& path) {
            if (submitted < FileQueue::kScanWindow) {
                ahead->Submit(path);
                ++submitted;
            }
        };
    }
    ui.BeginScan();
    int scan = Velmor_ScanDirectory(job.directories, request, 0, files.fileList, 0);
    ui.EndScan();
    if (scan == ScanStopped) {
        return RunOutcome::ScanStopped;
    }
    if (!request.unreadable.empty()) {
        ui.ShowMessage(kMsgDirectoriesNotSearched, ListOfDirectories(request.unreadable));
    }
    if (scan != ScanDone) {
        ui.ShowMessage(kMsgFileListNotOpened, files.fileList);
        return RunOutcome::ScanFailed;
    }
    if (request.filesListed <= 0) {
        ui.ShowMessage(kMsgNoFilesFound);
        return RunOutcome::NoFiles;
    }
    return std::nullopt;
}

// Opens the change log for the run's writes, locked against other writers.
// -1 (message shown) when it cannot be created.
int OpenChangeLog(const RunFiles& files, RunUi& ui) {
    int flags =
        O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (files.namedChangeLog ? O_CREAT | O_EXCL : O_TRUNC);
    int log = ::open(files.changeLog.c_str(), flags, 0644);
    if (log >= 0 && ::flock(log, LOCK_EX | LOCK_NB) != 0) {
        ::close(log);
        log = -1;
    }
    if (log < 0) {
        ui.ShowMessage(kMsgChangeLogNotCreated, files.changeLog);
    }
    return log;
}

// Every file of the list in turn: rewritten (or committed as prepared ahead),
// logged when changed, counted. True when the loop ended before the list did.
bool ProcessFiles(FileQueue& queue, RewriteContext& context, ChangeLogWriter& log,
                  const std::string& changeLog, RunResult& result) {
    RunUi& ui = *context.ui;
    RunStatistics& statistics = *context.statistics;
    std::string path;
    LookResult look;
    while (queue.Next(path, look, ui)) {
        FileResult r = FileResult::Unchanged;
        if (look.verdict == Verdict::Unchanged) {
            statistics.LinesTooLong += look.counters.longLines;
        } else if (look.verdict == Verdict::Prepared) {
            r = CommitPrepared(path, look, context);
        } else if (look.verdict == Verdict::NeedsRewrite) {
            r = RewriteFile(path, context);
        }
        if (r == FileResult::Committed && !log.Add(context.record)) {
            ui.ShowMessage(kMsgChangeLogWriteError, changeLog);
            return true;
        }
        if (r == FileResult::EndRun) {
            return true;
        }
        statistics.FilesProcessed += 1;
        ui.UpdateProgress(statistics.FilesProcessed);
        if (ui.ProgressAborted()) {
            result.stoppedByUser = true;
            return true;
        }
    }
    return false;
}

} // namespace

bool BuildTableForRun(const Job& job, ReplacementTable& table, TableMessage& message) {
    int badRow = 0;
    int badColumn = 0;
    PatternProblem problem;
    if (BuildReplacementTable(job, table, &badRow, &badColumn, &problem)) {
        return true;
    }
    if (problem.row >= 0) {
        // A pattern that does not compile, or a replacement naming a group
        // the pattern lacks: the pair, the text and PCRE2's reason.
        const ReplacementRow& row = job.replace[static_cast<std::size_t>(problem.row)];
        const std::string& text = problem.column == 0 ? row.search : row.replacement;
        message.id = problem.column == 0 ? kMsgBadPattern : kMsgBadGroupReference;
        message.insert1 = std::to_string(problem.row + 1);
        message.insert2 = "'" + text + "'\n" +
                          FillInserts(LoadTranslatedString(kTextAtCharacter), problem.reason,
                                      std::to_string(problem.character + 1));
        return false;
    }
    const ReplacementRow& row = job.replace[static_cast<std::size_t>(badRow)];
    message.id = kMsgNotRepresentable;
    message.insert1 = badColumn == 0 ? row.search : row.replacement;
    message.insert2.clear();
    return false;
}

LineSettings MakeLineSettings(const Job& job, const ReplacementTable& table) {
    LineSettings lines;
    lines.deleteEmptyLines = job.deleteEmptyLines;
    if (job.stripLeadingSpaces) {
        lines.leadingStripChars += ' ';
    }
    if (job.stripLeadingTabs) {
        lines.leadingStripChars += '\t';
    }
    if (job.stripTrailingSpaces) {
        lines.trailingStripChars += ' ';
    }
    if (job.stripTrailingTabs) {
        lines.trailingStripChars += '\t';
    }
    lines.keepLineEnds = job.keepLineEnds;
    lines.table = table.empty() ? nullptr : &table;
    return lines;
}

bool IsRunUnderWay() {
    return gRunUnderWay.load();
}

RunResult RunJob(const Job& job, const StartCheck& start, RunUi& ui, const RunOptions& options) {
    RunResult result;
    RunGuard guard;
    if (!guard.acquired()) {
        result.outcome = RunOutcome::Busy;
        return result;
    }
    if (!start.ok()) {
        ui.ShowMessage(StartProblemMessage(start.problem));
        result.outcome = RunOutcome::Refused;
        return result;
    }
    ReplacementTable table;
    if (!PrepareTable(job, table, ui)) {
        result.outcome = RunOutcome::Refused;
        return result;
    }
    RunFiles files;
    if (!MakeRunFiles(options, files, ui, result.outcome)) {
        return result;
    }

    // Below the listed directories no link is followed when a file is reached.
    std::vector<std::string> roots;
    for (const std::string& directory : job.directories) {
        roots.push_back(ScannedDirectoryPath(directory));
    }
    PathResolver resolver(roots);
    RunStatistics statistics;
    RewriteContext context;
    context.resolver = &resolver;
    context.lines = MakeLineSettings(job, table);
    context.confirm = job.confirm;
    context.dryRun = options.dryRun;
    context.ui = &ui;
    context.statistics = &statistics;
    std::unique_ptr<ReadAhead> ahead;
    // A dry run makes no copy ahead: copies are made at the file's turn.
    if (options.readAhead && !options.dryRun) {
        ahead = std::make_unique<ReadAhead>(context.lines, ReadAheadThreads(), resolver);
    }
    ScanRequest request;
    std::size_t submitted = 0;
    if (auto ended = ScanFiles(job, start, files, ahead.get(), request, submitted, ui)) {
        result.outcome = *ended;
        return result;
    }
    std::unique_ptr<std::FILE, FileCloser> list(std::fopen(files.fileList.c_str(), "re"));
    if (!list) {
        ui.ShowMessage(kMsgFileListNotOpened, files.fileList);
        result.outcome = RunOutcome::SetupFailed;
        return result;
    }
    // The list is read through the open stream from here on; without its
    // name, a run that is killed leaves no list behind.
    ::unlink(files.fileList.c_str());
    files.removeFileList.Release();
    int log = OpenChangeLog(files, ui);
    if (log < 0) {
        result.outcome = RunOutcome::SetupFailed;
        return result;
    }

    ui.CreateProgress(kTitleRun, request.filesListed);
    FileQueue queue(list.get(), ahead.get(), submitted);
    ChangeLogWriter writer(log, roots);
    bool endedEarly = ProcessFiles(queue, context, writer, files.changeLog, result);
    ahead.reset();
    ui.DestroyProgress();
    // A log kept for later must outlive a power cut.
    if ((files.namedChangeLog && ::fsync(log) != 0) ||
        (!writer.Close() && statistics.FilesChanged != 0)) {
        ui.ShowMessage(kMsgChangeLogWriteError, files.changeLog);
    }
    list.reset();

    result.statistics = statistics;
    result.outcome = endedEarly ? RunOutcome::EndedEarly : RunOutcome::Completed;
    if (statistics.FilesChanged != 0) {
        ui.RunSummary(RunSummaryInfo{result.statistics, files.changeLog, context.lines, job.code});
        if (options.dryRun) {
            DeleteDryRunCopies(files.changeLog);
        }
    } else {
        ui.ShowMessage(kMsgNoFileChanged);
        // A search text that stands only in lines too long to be replaced:
        // nothing changed, and the user learns why.
        if (statistics.LinesTooLong > 0) {
            ui.ShowMessage(kMsgLongLinesNotReplaced, std::to_string(statistics.LinesTooLong));
        }
    }
    return result;
}
