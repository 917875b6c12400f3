#include "commit_undo.h"

#include "change_log.h"
#include "file_ops.h"
#include "finish_file.h"
#include "safe_path.h"
#include "string_table.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

namespace {

// Reads the log through once before finishing it: 2016 when it cannot be
// read, 2026 when it was finished already. Gives the run's directories.
bool OpenLog(const std::string& changeLogPath, RunUi& ui, std::vector<std::string>& roots) {
    ChangeLogReader check(changeLogPath);
    ChangeRecord record;
    while (check.Next(record)) {
    }
    if (!check.opened() || check.failed()) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    if (check.finished()) {
        ui.ShowMessage(kMsgChangeLogFinished, changeLogPath);
        return false;
    }
    roots = check.roots();
    return true;
}

// A file that cannot be reached without following a link is left as it is.
FileFinish Unreachable(int error) {
    FileFinish finish;
    finish.finding = Finding::FileMissing;
    finish.error = error;
    return finish;
}

// Applies `finish` to every file of the log in batches. Within a batch,
// helper threads and this one take the files in turn: finishing a file is
// mostly waiting on the file system (deleting a backup may wait for its
// blocks to be discarded on the device), so several files are under way at
// once, while this thread also keeps the progress current. `report` then
// sees each file's result in the log's order, on this thread. Both get the
// file's index in the log.
template <typename Finish, typename Report>
bool ForEachLogged(const std::string& changeLogPath, const PathResolver& resolver, RunUi& ui,
                   bool showProgress, Finish finish, Report report) {
    ChangeLogReader log(changeLogPath);
    PathResolver mine(resolver);
    constexpr std::size_t kBatch = 1024;
    // The helpers mostly wait for the device, so their number does not
    // follow the cores; a batch too small to share is done here alone.
    constexpr std::size_t kHelpers = 14;
    constexpr std::size_t kFilesPerThread = 32;
    std::vector<ChangeRecord> batch;
    std::vector<FileFinish> results;
    long handled = 0;
    auto progress = [&](long done) {
        if (showProgress) {
            ui.UpdateProgress(done);
        }
        ui.KeepAlive();
    };
    bool more = true;
    while (more) {
        batch.clear();
        ChangeRecord record;
        while (batch.size() < kBatch && (more = log.Next(record))) {
            batch.push_back(std::move(record));
        }
        results.assign(batch.size(), FileFinish{});
        std::atomic<std::size_t> next{0};
        std::atomic<std::size_t> done{0};
        const auto first = static_cast<std::size_t>(handled);
        auto work = [&](PathResolver& reacher, bool keepProgress) {
            for (std::size_t i; (i = next.fetch_add(1)) < batch.size();) {
                results[i] = finish(batch[i], reacher, first + i);
                done.fetch_add(1);
                if (keepProgress && i % 64 == 0) {
                    progress(handled + static_cast<long>(done.load()));
                }
            }
        };
        std::vector<std::thread> helpers;
        const std::size_t wanted = std::min(kHelpers, batch.size() / kFilesPerThread);
        for (std::size_t k = 0; k < wanted; ++k) {
            helpers.emplace_back([&] {
                PathResolver theirs(resolver);
                work(theirs, false);
            });
        }
        work(mine, true);
        // The files the helpers still have are waited for in short steps:
        // they are small work each, and a long step would leave the
        // threads idle.
        while (done.load() < batch.size()) {
            progress(handled + static_cast<long>(done.load()));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        for (std::thread& helper : helpers) {
            helper.join();
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            report(batch[i], results[i], first + i);
        }
        handled += static_cast<long>(batch.size());
        progress(handled);
    }
    return !log.failed();
}

// What the user is told about a file that putting the new contents in place
// left, or a failure. Gives true when the file's backup may go.
bool ReportPlaced(const ChangeRecord& record, const FileFinish& finish, RunUi& ui) {
    const std::string& path = record.path;
    const std::string backup = BackupNameOf(path);
    switch (finish.finding) {
    case Finding::FileMissing:
        ui.ShowMessage(kMsgRenameError, backup, path);
        return false;
    case Finding::BackupNotOurs:
        ui.ShowMessage(kMsgBackupChangedKept, backup);
        return false;
    case Finding::NewContentLost:
        ui.ShowMessage(kMsgNewContentLost, path, backup);
        return false;
    default:
        break;
    }
    if (finish.outcome == FinishOutcome::Failed) {
        if (finish.state == LeftoverState::BetweenRenames) {
            ui.ShowMessage(kMsgRenameError, TemporaryNameOf(path), path);
        } else {
            ui.ShowMessage(kMsgDeleteError, TemporaryNameOf(path));
        }
    }
    return finish.outcome == FinishOutcome::Accepted;
}

// What the user is told about a backup that was to go and stays.
void ReportDropped(const ChangeRecord& record, const FileFinish& finish, RunUi& ui) {
    const std::string& path = record.path;
    const std::string backup = BackupNameOf(path);
    if (finish.outcome == FinishOutcome::Accepted) {
        return;
    }
    if (finish.finding == Finding::NotDurable) {
        ui.ShowMessage(kMsgBackupKeptNotDurable, path, backup);
    } else if (finish.outcome == FinishOutcome::Failed) {
        ui.ShowMessage(kMsgDeleteError, backup);
    } else {
        // Something came between the two walks (another run's copy beside
        // it, the backup replaced): the backup is not deleted blindly.
        ui.ShowMessage(kMsgBackupChangedKept, backup);
    }
}

// Undoing one file of the change log, with the messages and the question the
// user sees. True when the file is finished.
bool UndoLoggedFile(const ChangeRecord& record, PathResolver& resolver, FileSystemFlusher& flusher,
                    RunUi& ui) {
    const std::string& path = record.path;
    std::string at;
    FileFinish finish = resolver.Reach(path, at) ? FinishFile(record, at, Decision::Undo, flusher)
                                                 : Unreachable(errno);
    if (finish.finding == Finding::ChangedAfterRun) {
        // Put back over a later change only when the user says so; else the
        // file and its backup wait for later.
        if (ui.ShowMessage(kMsgUndoOverLaterEdit, path) != Answer::Yes) {
            return false;
        }
        finish = resolver.Reach(path, at) ? FinishFile(record, at, Decision::Undo, flusher, true)
                                          : Unreachable(errno);
    }
    if (finish.finding == Finding::BackupNotOurs) {
        ui.ShowMessage(kMsgBackupChangedKept, BackupNameOf(path));
        return false;
    }
    if (finish.state == LeftoverState::BackupOnly) {
        // The changed file was deleted after the run: it could not be moved
        // aside, but the backup takes its name all the same.
        ui.ShowMessage(kMsgRenameError, path, TemporaryNameOf(path));
    }
    if (finish.outcome == FinishOutcome::Restored) {
        return true;
    }
    // No backup, a name that is not a regular file, or a renaming that
    // failed: the file stays as it is.
    ui.ShowMessage(kMsgRenameError, BackupNameOf(path), path);
    return false;
}

} // namespace

std::vector<std::string> ReadChangeLog(const std::string& changeLogPath, bool* ok) {
    std::vector<std::string> paths;
    ChangeLogReader log(changeLogPath);
    ChangeRecord record;
    while (log.Next(record)) {
        paths.push_back(record.path);
    }
    if (ok != nullptr) {
        *ok = log.opened() && !log.failed();
    }
    return paths;
}

namespace {

// After finishing some of the log's files, the log holds the others; after
// finishing all of them, it is marked finished.
void AfterFinishing(const std::string& changeLogPath, const FileSelection* only, bool allFinished,
                    const std::set<std::string>& finished) {
    if (only == nullptr) {
        if (allFinished) {
            MarkChangeLogFinished(changeLogPath);
        }
        return;
    }
    KeepInChangeLog(changeLogPath, [&finished](const ChangeRecord& record) {
        return finished.count(record.path) == 0;
    });
}

bool Selected(const FileSelection* only, const ChangeRecord& record) {
    return only == nullptr || only->count(record.path) != 0;
}

FileFinish Skipped() {
    FileFinish skipped;
    skipped.outcome = FinishOutcome::Reported;
    return skipped;
}

} // namespace

bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui,
                   const FileSelection* only) {
    std::vector<std::string> roots;
    if (!OpenLog(changeLogPath, ui, roots)) {
        return false;
    }
    const PathResolver resolver(roots);
    ui.CreateProgress(kTitleCommit, filesChanged);
    // Every new content in place, one flush per file system, then the
    // backups go; the progress follows the second walk. What the first walk
    // left stays out of the second.
    FileSystemFlusher flusher;
    flusher.FlushAhead(roots);
    std::vector<bool> placed;
    std::set<std::string> finished;
    bool allFinished = true;
    auto place = [&](const ChangeRecord& record, PathResolver& reacher, std::size_t) {
        std::string at;
        if (!Selected(only, record)) {
            return Skipped();
        }
        return reacher.Reach(record.path, at) ? FinishFile(record, at, Decision::Accept, flusher)
                                              : Unreachable(errno);
    };
    auto notePlaced = [&](const ChangeRecord& record, const FileFinish& finish, std::size_t index) {
        placed.resize(index + 1);
        if (finish.outcome == FinishOutcome::Reported) {
            return;
        }
        placed[index] = ReportPlaced(record, finish, ui);
        // A file with nothing left to finish (its backup gone already), or
        // whose lost content got its backup back, is done.
        const bool done =
            (finish.outcome == FinishOutcome::Left && finish.finding == Finding::None) ||
            finish.outcome == FinishOutcome::Restored;
        if (done) {
            finished.insert(record.path);
        }
        allFinished = allFinished && (placed[index] || done);
    };
    auto drop = [&](const ChangeRecord& record, PathResolver& reacher, std::size_t index) {
        std::string at;
        if (index >= placed.size() || !placed[index]) {
            return Skipped();
        }
        return reacher.Reach(record.path, at) ? DropBackup(record, at, flusher)
                                              : Unreachable(errno);
    };
    auto noteDropped = [&](const ChangeRecord& record, const FileFinish& finish, std::size_t) {
        if (finish.outcome == FinishOutcome::Reported) {
            return;
        }
        ReportDropped(record, finish, ui);
        if (finish.outcome == FinishOutcome::Accepted) {
            finished.insert(record.path);
        } else {
            allFinished = false;
        }
    };
    bool read = ForEachLogged(changeLogPath, resolver, ui, false, place, notePlaced);
    flusher.FlushAll();
    read = ForEachLogged(changeLogPath, resolver, ui, true, drop, noteDropped) && read;
    ui.DestroyProgress();
    if (!read) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    AfterFinishing(changeLogPath, only, allFinished, finished);
    return true;
}

bool UndoChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui,
                 const FileSelection* only) {
    std::vector<std::string> roots;
    if (!OpenLog(changeLogPath, ui, roots)) {
        return false;
    }
    PathResolver resolver(roots);
    ui.CreateProgress(kTitleUndo, filesChanged);
    FileSystemFlusher flusher;
    ChangeLogReader log(changeLogPath);
    long handled = 0;
    bool allFinished = true;
    std::set<std::string> finished;
    ChangeRecord record;
    while (log.Next(record)) {
        if (Selected(only, record)) {
            if (UndoLoggedFile(record, resolver, flusher, ui)) {
                finished.insert(record.path);
            } else {
                allFinished = false;
            }
        }
        ui.UpdateProgress(++handled);
    }
    ui.DestroyProgress();
    if (log.failed()) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    AfterFinishing(changeLogPath, only, allFinished, finished);
    if (only == nullptr) {
        ui.ShowMessage(kMsgAllUndone);
    }
    return true;
}
