#include "commit_undo.h"

#include "file_ops.h"
#include "rewrite_file.h"
#include "string_table.h"
#include "velmor_strings.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// The file system a changed file lies on, reached through its directory,
// which can be opened whatever became of the file itself.
std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Flushes every file system that holds a file of the change log to disk, once
// each, so the new contents are durable before the old ones go. Gives, per
// file system, whether it was flushed.
std::map<dev_t, bool> MakeDurable(const std::string& changeLogPath) {
    std::map<dev_t, bool> flushed;
    ChangeLogReader log(changeLogPath);
    std::string path;
    while (log.Next(path)) {
        std::string directory = DirectoryOf(path);
        struct stat st {};
        if (::stat(directory.c_str(), &st) != 0 || flushed.count(st.st_dev) != 0) {
            continue;
        }
        int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bool ok = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        flushed.emplace(st.st_dev, ok);
    }
    return flushed;
}

} // namespace

std::string TemporaryNameOf(const std::string& path) {
    return path + kTemporarySuffix;
}

std::string BackupNameOf(const std::string& path) {
    return path + kBackupSuffix;
}

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

bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui) {
    ChangeLogReader log(changeLogPath);
    if (!log.opened()) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    ui.CreateProgress(kTitleCommit, filesChanged);
    const std::map<dev_t, bool> flushed = MakeDurable(changeLogPath);
    // A backup whose new content could not be made durable (its file system
    // failed to flush) is left in place, as a backup that cannot be deleted.
    auto deleteBackup = [&](const std::string& path) {
        struct stat st {};
        if (::stat(DirectoryOf(path).c_str(), &st) != 0) {
            return;
        }
        auto it = flushed.find(st.st_dev);
        if (it != flushed.end() && it->second) {
            ::unlink(BackupNameOf(path).c_str());
        }
    };
    // The log is taken in batches; within a batch a second thread deletes
    // every other backup, halving the wait on the file system, while this
    // one keeps the progress current.
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
                deleteBackup(batch[i]);
                done.fetch_add(1);
            }
        });
        for (std::size_t i = 0; i < batch.size(); i += 2) {
            deleteBackup(batch[i]);
            done.fetch_add(1);
            if (i % 128 == 0) {
                ui.UpdateProgress(handled + static_cast<long>(done.load()));
                ui.KeepAlive();
            }
        }
        while (done.load() < batch.size()) {
            ui.UpdateProgress(handled + static_cast<long>(done.load()));
            ui.KeepAlive();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        helper.join();
        handled += static_cast<long>(batch.size());
        ui.UpdateProgress(handled);
    }
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
    long handled = 0;
    std::string path;
    while (log.Next(path)) {
        const std::string holding = TemporaryNameOf(path);
        const std::string backup = BackupNameOf(path);
        if (!PathExists(backup)) {
            // Without a backup the changed content is the only content left:
            // it stays under the file's name.
            ui.ShowMessage(kMsgRenameError, backup, path);
            ui.UpdateProgress(++handled);
            continue;
        }
        ::unlink(holding.c_str());
        if (RenameNoReplace(path, holding) != 0) {
            ui.ShowMessage(kMsgRenameError, path, holding);
            // The changed file could not be moved aside: it goes, so that
            // the backup can take its name.
            ::unlink(path.c_str());
        }
        if (RenameNoReplace(backup, path) != 0) {
            ui.ShowMessage(kMsgRenameError, backup, path);
            // The old content stays under its backup name; the changed one is
            // put back where it was, if it was moved aside.
            if (!PathExists(path)) {
                RenameNoReplace(holding, path);
            }
        }
        ::unlink(holding.c_str());
        ui.UpdateProgress(++handled);
    }
    ui.DestroyProgress();
    ui.ShowMessage(kMsgAllUndone);
    return true;
}
