#include "run_job.h"

#include "date_time.h"
#include "directory_scan.h"
#include "file_names.h"
#include "file_ops.h"
#include "read_ahead.h"
#include "replacement_table.h"
#include "rewrite_file.h"
#include "string_table.h"
#include "velmor_strings.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <memory>
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

int ReadAheadThreads() {
    unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) {
        cores = 2;
    }
    return static_cast<int>(cores > 4 ? 4 : cores);
}

} // namespace

bool IsRunUnderWay() {
    return gRunUnderWay.load();
}

int CheckJobStartConditions(Job& job, RunUi& ui) {
    if (job.dateDependency == DateNewerOrEqual || job.dateDependency == DateOlder) {
        DateTimeStruct record;
        if (FormattedDate_To_DateTimeStruct(job.compareDate, record, 0) < 0) {
            ui.ShowMessage(kMsgInvalidDate);
            return 2;
        }
        job.compareDate = DateTimeStruct_To_FormattedDate(record, 0);
        if (FormattedTime_To_DateTimeStruct(job.compareTime, record, 0) < 0) {
            ui.ShowMessage(kMsgInvalidTime);
            return 2;
        }
        job.compareTime = DateTimeStruct_To_FormattedTime(record, 0);
    }
    if (job.directories.empty()) {
        ui.ShowMessage(kMsgNoDirectory);
        return 2;
    }
    if (job.files.empty()) {
        ui.ShowMessage(kMsgNoFileGroup);
        return 2;
    }
    return 1;
}

RunResult RunJob(const Job& job, RunUi& ui, const RunOptions& options) {
    RunResult result;
    RunGuard guard;
    if (!guard.acquired()) {
        result.outcome = RunOutcome::Busy;
        return result;
    }

    // Every search and replacement text must be representable in the chosen
    // coding; otherwise the run does not start.
    ReplacementTable table;
    if (job.performReplace) {
        int badRow = 0;
        int badColumn = 0;
        if (!BuildReplacementTable(job, table, &badRow, &badColumn)) {
            const ReplacementRow& row = job.replace[static_cast<std::size_t>(badRow)];
            ui.ShowMessage(kMsgNotRepresentable, badColumn == 0 ? row.search : row.replacement);
            result.outcome = RunOutcome::Refused;
            return result;
        }
    }

    // The two temporary names: the file list, and the change log unless the
    // caller names it.
    std::error_code error;
    std::string fileList = CreateTemporaryFileName("VQP", error);
    RemoveOnExit removeFileList(fileList);
    if (error) {
        ui.ShowMessage(kMsgFileListNotOpened, TemporaryDirectory());
        result.outcome = RunOutcome::ScanFailed;
        return result;
    }
    const bool namedChangeLog = !options.changeLogPath.empty();
    std::string changeLog = options.changeLogPath;
    RemoveOnExit removeChangeLog;
    if (!namedChangeLog) {
        changeLog = CreateTemporaryFileName("VQP", error);
        if (error) {
            ui.ShowMessage(kMsgChangeLogNotCreated, TemporaryDirectory());
            result.outcome = RunOutcome::Prepared;
            return result;
        }
        removeChangeLog.Reset(changeLog);
    }

    // The scan.
    ScanRequest request;
    request.files = JoinWith(job.files, '\t');
    request.flags = ScanAlways;
    if (job.subdirs) {
        request.flags |= ScanSubdirs;
    }
    DateTimeStruct compare;
    if (job.dateDependency == DateNewerOrEqual || job.dateDependency == DateOlder) {
        FormattedDate_To_DateTimeStruct(job.compareDate, compare, 0);
        FormattedTime_To_DateTimeStruct(job.compareTime, compare, 0);
        request.flags |= job.dateDependency == DateNewerOrEqual ? ScanNewerOrEqual : ScanOlder;
    }
    request.compare = &compare;
    request.progress = [&ui](const std::string& directory) { return ui.ScanProgress(directory); };
    request.excludedFiles = {fileList, changeLog};

    RunStatistics statistics;
    RewriteContext context;
    context.lines = MakeLineSettings(job, table);
    context.confirm = job.confirm;
    context.ui = &ui;
    context.statistics = &statistics;
    // The look ahead starts on the first files while the scan is still
    // listing the rest; it only reads, so nothing shows before the run's turn.
    std::unique_ptr<ReadAhead> ahead;
    const std::size_t windowSize = 512;
    std::size_t submittedDuringScan = 0;
    if (options.readAhead) {
        ahead = std::make_unique<ReadAhead>(context.lines, ReadAheadThreads());
        request.listed = [&](const std::string& path) {
            if (submittedDuringScan < windowSize) {
                ahead->Submit(path);
                ++submittedDuringScan;
            }
        };
    }
    ui.BeginScan();
    int scan = Velmor_ScanDirectory(job.directories, request, 0, fileList, 0);
    ui.EndScan();
    if (scan == ScanStopped) {
        result.outcome = RunOutcome::ScanStopped;
        return result;
    }
    if (scan != ScanDone) {
        ui.ShowMessage(kMsgFileListNotOpened, fileList);
        result.outcome = RunOutcome::ScanFailed;
        return result;
    }
    if (request.filesListed <= 0) {
        ui.ShowMessage(kMsgNoFilesFound);
        result.outcome = RunOutcome::NoFiles;
        return result;
    }

    std::unique_ptr<std::FILE, FileCloser> list(std::fopen(fileList.c_str(), "re"));
    if (!list) {
        ui.ShowMessage(kMsgFileListNotOpened, fileList);
        result.outcome = RunOutcome::Prepared;
        return result;
    }
    // The list is read through the open stream from here on; without its
    // name, a run that is killed leaves no list behind.
    ::unlink(fileList.c_str());
    removeFileList.Release();
    int logFlags =
        O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (namedChangeLog ? O_CREAT | O_EXCL : O_TRUNC);
    int log = ::open(changeLog.c_str(), logFlags, 0644);
    if (log >= 0 && ::flock(log, LOCK_EX | LOCK_NB) != 0) {
        ::close(log);
        log = -1;
    }
    if (log < 0) {
        ui.ShowMessage(kMsgChangeLogNotCreated, changeLog);
        result.outcome = RunOutcome::Prepared;
        return result;
    }

    ui.CreateProgress(kTitleRun, request.filesListed);
    PathReader reader(list.get());
    std::deque<std::string> window; // paths handed to the look-ahead, oldest first
    bool listEnded = false;
    std::size_t pathsRead = 0;
    bool endedEarly = false;
    while (true) {
        while (!listEnded && window.size() < (ahead ? windowSize : 1)) {
            std::string path;
            if (!reader.Next(path)) {
                listEnded = true;
                break;
            }
            // The first paths went to the look ahead during the scan.
            if (ahead && ++pathsRead > submittedDuringScan) {
                ahead->Submit(path);
            }
            window.push_back(std::move(path));
        }
        if (window.empty()) {
            break;
        }
        std::string path = std::move(window.front());
        window.pop_front();
        FileResult r = FileResult::Unchanged;
        LookResult look;
        if (ahead) {
            look = ahead->Take(ui);
        }
        if (look.verdict == Verdict::Prepared) {
            r = CommitPrepared(path, look, context);
        } else if (look.verdict == Verdict::NeedsRewrite) {
            r = RewriteFile(path, context);
        }
        if (r == FileResult::Committed) {
            if (!WriteFully(log, path + "\r\n")) {
                ui.ShowMessage(kMsgChangeLogWriteError, changeLog);
                endedEarly = true;
                break;
            }
        }
        if (r == FileResult::EndRun) {
            endedEarly = true;
            break;
        }
        statistics.FilesProcessed += 1;
        ui.UpdateProgress(statistics.FilesProcessed);
        if (ui.ProgressAborted()) {
            result.stoppedByUser = true;
            endedEarly = true;
            break;
        }
    }
    ahead.reset();
    ui.DestroyProgress();
    bool logClosed = ::close(log) == 0;
    if (!logClosed && statistics.FilesChanged != 0) {
        ui.ShowMessage(kMsgChangeLogWriteError, changeLog);
    }
    list.reset();

    result.statistics = statistics;
    result.outcome = endedEarly ? RunOutcome::EndedEarly : RunOutcome::Completed;
    if (statistics.FilesChanged != 0) {
        ui.RunSummary(RunSummaryInfo{result.statistics, changeLog});
    } else {
        ui.ShowMessage(kMsgNoFileChanged);
    }
    return result;
}
