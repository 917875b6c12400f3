#include "recover.h"

#include "change_log.h"
#include "file_ops.h"
#include "safe_path.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The names in one directory (without "." and ".."), and which of them are
// directories to descend into (links excluded).
bool ReadDirectory(const std::string& directory, std::vector<std::string>& names,
                   std::vector<std::string>& subdirectories) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isDirectory =
                ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDirectory) {
            subdirectories.push_back(name);
        }
        names.push_back(std::move(name));
    }
    bool ok = errno == 0;
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    std::sort(subdirectories.begin(), subdirectories.end());
    return ok;
}

} // namespace

bool FindLeftovers(const std::string& directory, std::vector<Leftover>& found) {
    std::set<std::pair<dev_t, ino_t>> visited;
    std::vector<std::string> pending{directory};
    bool first = true;
    while (!pending.empty()) {
        std::string current = std::move(pending.back());
        pending.pop_back();
        struct stat st {};
        // The directory asked for may be a link; below it, links were never
        // put on the list.
        int error = ::stat(current.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
        if (error != 0) {
            if (first) {
                errno = error;
                return false;
            }
            found.push_back({current, LeftoverState::Unreadable, FinishOutcome::Reported,
                             Finding::None, error});
            continue;
        }
        if (!visited.insert({st.st_dev, st.st_ino}).second) {
            continue; // reached twice (a bind mount): looked at once
        }
        std::vector<std::string> names;
        std::vector<std::string> subdirectories;
        if (!ReadDirectory(current, names, subdirectories)) {
            error = errno;
            if (first) {
                errno = error;
                return false;
            }
            found.push_back({current, LeftoverState::Unreadable, FinishOutcome::Reported,
                             Finding::None, error});
            continue;
        }
        first = false;
        const std::string prefix = current == "/" ? "/" : current + "/";
        // Each file once, whichever of its names were seen.
        std::set<std::string> files;
        for (const std::string& name : names) {
            for (std::string_view suffix : {kBackupSuffix, kTemporarySuffix}) {
                if (name.size() > suffix.size() && EndsWith(name, suffix)) {
                    files.insert(name.substr(0, name.size() - suffix.size()));
                }
            }
        }
        for (const std::string& file : files) {
            Leftover leftover;
            leftover.path = prefix + file;
            leftover.state = LeftoverStateOf(leftover.path);
            if (leftover.state != LeftoverState::Nothing) {
                found.push_back(std::move(leftover));
            }
        }
        // Depth first, in name order.
        for (auto it = subdirectories.rbegin(); it != subdirectories.rend(); ++it) {
            pending.push_back(prefix + *it);
        }
    }
    return true;
}

void FinishLeftovers(std::vector<Leftover>& leftovers, RecoverMode mode, const std::string& root,
                     const std::function<bool(const std::string& path)>& overwriteLaterChanges) {
    FileSystemFlusher flusher;
    auto take = [](Leftover& leftover, const FileFinish& finish) {
        // Finished by what it is now, which may have changed since it was found.
        if (finish.state != LeftoverState::Nothing) {
            leftover.state = finish.state;
        }
        leftover.outcome = finish.outcome;
        leftover.finding = finish.finding;
        leftover.error = finish.error;
    };
    std::vector<ChangeRecord> records(leftovers.size());
    PathResolver resolver(root.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{root});
    auto finish = [&](const ChangeRecord& record, Decision decision, bool overwrite) {
        std::string at;
        if (!resolver.Reach(record.path, at)) {
            FileFinish unreachable;
            unreachable.outcome = FinishOutcome::Failed;
            unreachable.error = errno;
            return unreachable;
        }
        return FinishFile(record, at, decision, flusher, overwrite);
    };
    for (std::size_t i = 0; i < leftovers.size(); ++i) {
        Leftover& leftover = leftovers[i];
        ChangeRecord& record = records[i];
        if (!ReadBackupRecord(leftover.path, record)) {
            record.path = leftover.path; // finished by name
        }
        if (mode == RecoverMode::Report) {
            leftover.outcome = FinishOutcome::Reported;
        } else if (leftover.state == LeftoverState::Unreadable) {
            leftover.outcome = FinishOutcome::Left;
        } else if (mode == RecoverMode::Undo) {
            FileFinish undone = finish(record, Decision::Undo, false);
            if (undone.finding == Finding::ChangedAfterRun && overwriteLaterChanges &&
                overwriteLaterChanges(leftover.path)) {
                undone = finish(record, Decision::Undo, true);
            }
            take(leftover, undone);
        } else {
            take(leftover, finish(record, Decision::Accept, false));
        }
    }
    if (mode != RecoverMode::Accept) {
        return;
    }
    // The new contents are in place: one flush per file system, then the
    // backups go.
    flusher.FlushAll();
    for (std::size_t i = 0; i < leftovers.size(); ++i) {
        Leftover& leftover = leftovers[i];
        std::string at;
        if (leftover.outcome == FinishOutcome::Accepted && resolver.Reach(leftover.path, at)) {
            FileFinish dropped = DropBackup(records[i], at, flusher);
            leftover.outcome = dropped.outcome;
            leftover.finding = dropped.finding;
            leftover.error = dropped.error;
        }
    }
}
