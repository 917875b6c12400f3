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

// Flushes every file system that holds one of `paths` to disk, once each, so
// the new contents are durable before the old ones go. Each is reached
// through the file's directory, which can be opened whatever became of the
// file itself. Gives, per path, whether its file system was flushed.
std::vector<bool> MakeDurable(const std::vector<std::string>& paths) {
    std::map<dev_t, bool> flushed;
    std::vector<bool> durable(paths.size(), false);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        std::size_t slash = path.rfind('/');
        std::string directory = slash == std::string::npos ? "."
                                : slash == 0               ? "/"
                                                           : path.substr(0, slash);
        struct stat st {};
        if (::stat(directory.c_str(), &st) != 0) {
            continue;
        }
        auto done = flushed.find(st.st_dev);
        if (done == flushed.end()) {
            int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            bool ok = fd >= 0 && ::syncfs(fd) == 0;
            if (fd >= 0) {
                ::close(fd);
            }
            done = flushed.emplace(st.st_dev, ok).first;
        }
        durable[i] = done->second;
    }
    return durable;
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
    // A backup whose new content could not be made durable (its file system
    // failed to flush) is left in place, as a backup that cannot be deleted.
    const std::vector<bool> durable = MakeDurable(paths);
    auto deleteBackup = [&](std::size_t i) {
        if (durable[i]) {
            ::unlink(BackupNameOf(paths[i]).c_str());
        }
    };
    // Deleting is independent from file to file; a second thread halves the
    // wait on the file system while this one keeps the progress current.
    std::atomic<long> handled{0};
    std::thread helper([&] {
        for (std::size_t i = 1; i < paths.size(); i += 2) {
            deleteBackup(i);
            handled.fetch_add(1);
        }
    });
    for (std::size_t i = 0; i < paths.size(); i += 2) {
        deleteBackup(i);
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
