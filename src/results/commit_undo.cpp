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
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Flushes every file system that holds one of `paths` to disk, once each, so
// the new contents are durable before the old ones go.
void MakeDurable(const std::vector<std::string>& paths) {
    std::set<dev_t> done;
    for (const std::string& path : paths) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || done.count(st.st_dev) != 0) {
            continue;
        }
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        if (::syncfs(fd) == 0) {
            done.insert(st.st_dev);
        }
        ::close(fd);
    }
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
    std::FILE* file = std::fopen(changeLogPath.c_str(), "rbe");
    if (ok != nullptr) {
        *ok = file != nullptr;
    }
    if (file == nullptr) {
        return paths;
    }
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t n = 0;
    while ((n = ::getline(&line, &capacity, file)) >= 0) {
        std::string path(line, static_cast<std::size_t>(n));
        CutTrailingControls(path);
        paths.push_back(std::move(path));
    }
    std::free(line);
    std::fclose(file);
    return paths;
}

bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui) {
    bool ok = false;
    std::vector<std::string> paths = ReadChangeLog(changeLogPath, &ok);
    if (!ok) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    ui.CreateProgress(kTitleCommit, filesChanged);
    MakeDurable(paths);
    // Deleting is independent from file to file; a second thread halves the
    // wait on the file system while this one keeps the progress current.
    std::atomic<long> handled{0};
    std::thread helper([&] {
        for (std::size_t i = 1; i < paths.size(); i += 2) {
            ::unlink(BackupNameOf(paths[i]).c_str());
            handled.fetch_add(1);
        }
    });
    for (std::size_t i = 0; i < paths.size(); i += 2) {
        ::unlink(BackupNameOf(paths[i]).c_str());
        handled.fetch_add(1);
        if (i % 128 == 0) {
            ui.UpdateProgress(handled.load());
            ui.KeepAlive();
        }
    }
    while (handled.load() < static_cast<long>(paths.size())) {
        ui.UpdateProgress(handled.load());
        ui.KeepAlive();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    helper.join();
    ui.UpdateProgress(static_cast<long>(paths.size()));
    ui.DestroyProgress();
    return true;
}

bool UndoChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui) {
    bool ok = false;
    std::vector<std::string> paths = ReadChangeLog(changeLogPath, &ok);
    if (!ok) {
        ui.ShowMessage(kMsgChangeLogNotOpened, changeLogPath);
        return false;
    }
    ui.CreateProgress(kTitleUndo, filesChanged);
    long handled = 0;
    for (const std::string& path : paths) {
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
