#include "commit_undo.h"

#include "file_ops.h"
#include "finish_file.h"
#include "string_table.h"
#include "velmor_strings.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// Reads a change log one path at a time, so finishing a run of any size
// holds only a little of it in memory.
class ChangeLogReader {
public:
    explicit ChangeLogReader(const std::string& path) : file_(std::fopen(path.c_str(), "rbe")) {}
    ~ChangeLogReader() {
        std::free(line_);
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    ChangeLogReader(const ChangeLogReader&) = delete;
    ChangeLogReader& operator=(const ChangeLogReader&) = delete;

    bool opened() const { return file_ != nullptr; }
    bool Next(std::string& path) {
        ssize_t n = file_ != nullptr ? ::getline(&line_, &capacity_, file_) : -1;
        if (n < 0) {
            return false;
        }
        path.assign(line_, static_cast<std::size_t>(n));
        CutTrailingControls(path);
        return true;
    }

private:
    std::FILE* file_;
    char* line_ = nullptr;
    std::size_t capacity_ = 0;
};

// Undoing one file of the change log, with the messages the user sees.
void UndoLoggedFile(const std::string& path, FileSystemFlusher& flusher, RunUi& ui) {
    FileFinish finish = FinishFile(path, Decision::Undo, flusher);
    switch (finish.state) {
    case LeftoverState::BackupOnly:
        // The changed file was deleted after the run: it could not be moved
        // aside, but the backup takes its name all the same.
        ui.ShowMessage(kMsgRenameError, path, TemporaryNameOf(path));
        if (finish.outcome == FinishOutcome::Restored) {
            return;
        }
        break;
    case LeftoverState::ChangedWithBackup:
    case LeftoverState::ChangedWithBackupAndCopy:
    case LeftoverState::BetweenRenames:
        if (finish.outcome == FinishOutcome::Restored) {
            return;
        }
        break;
    default:
        // No backup, or a name that is not a regular file: the file stays.
        break;
    }
    ui.ShowMessage(kMsgRenameError, BackupNameOf(path), path);
}

} // namespace

std::vector<std::string> ReadChangeLog(const std::string& changeLogPath, bool* ok) {
    std::vector<std::string> paths;
    ChangeLogReader log(changeLogPath);
    if (ok != nullptr) {
        *ok = log.opened();
    }
    std::string path;
    while (log.Next(path)) {
        paths.push_back(path);
    }
    return paths;
}

namespace {

// Applies `finish` to every path of the log in batches; within a batch a
// second thread takes every other file, halving the wait on the file system,
// while this one calls `progress` with the number of files done so far.
template <typename Finish, typename Progress>
void ForEachLogged(ChangeLogReader& log, Finish finish, Progress progress) {
    constexpr std::size_t kBatch = 1024;
    std::vector<std::string> batch;
    long handled = 0;
    bool more = true;
    while (more) {
        batch.clear();
        std::string path;
        while (batch.size() < kBatch && (more = log.Next(path))) {
            batch.push_back(std::move(path));
        }
        std::atomic<std::size_t> done{0};
        std::thread helper([&] {
            for (std::size_t i = 1; i < batch.size(); i += 2) {
                finish(batch[i]);
                done.fetch_add(1);
            }
        });
        for (std::size_t i = 0; i < batch.size(); i += 2) {
            finish(batch[i]);
            done.fetch_add(1);
            if (i % 128 == 0) {
                progress(handled + static_cast<long>(done.load()));
            }
        }
        while (done.load() < batch.size()) {
            progress(handled + static_cast<long>(done.load()));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        helper.join();
        handled += static_cast<long>(batch.size());
        progress(handled);
    }
}

} // namespace

bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui) {
    ChangeLogReader placing(changeLogPath);
    ChangeLogReader dropping(changeLogPath);
    if (!placing.opened() || !dropping.opened()) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    ui.CreateProgress(kTitleCommit, filesChanged);
    // Every new content in place, one flush per file system, then the
    // backups go; the progress follows the second walk.
    FileSystemFlusher flusher;
    ForEachLogged(
        placing,
        [&flusher](const std::string& path) { FinishFile(path, Decision::Accept, flusher); },
        [&ui](long) { ui.KeepAlive(); });
    flusher.FlushAll();
    ForEachLogged(
        dropping, [&flusher](const std::string& path) { DropBackup(path, flusher); },
        [&ui](long handled) {
            ui.UpdateProgress(handled);
            ui.KeepAlive();
        });
    ui.DestroyProgress();
    return true;
}

bool UndoChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui) {
    ChangeLogReader log(changeLogPath);
    if (!log.opened()) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    ui.CreateProgress(kTitleUndo, filesChanged);
    FileSystemFlusher flusher;
    long handled = 0;
    std::string path;
    while (log.Next(path)) {
        UndoLoggedFile(path, flusher, ui);
        ui.UpdateProgress(++handled);
    }
    ui.DestroyProgress();
    ui.ShowMessage(kMsgAllUndone);
    return true;
}
