#include "recover.h"

#include "commit_undo.h"
#include "file_ops.h"
#include "rewrite_file.h"

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

enum class NameKind { Missing, Regular, Other };

NameKind KindOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? NameKind::Missing : NameKind::Other;
    }
    return S_ISREG(st.st_mode) ? NameKind::Regular : NameKind::Other;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

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

// Moves the content back to the file's name; the state is the one found now.
RecoverOutcome Undo(const std::string& path, LeftoverState state, int& error) {
    const std::string backup = BackupNameOf(path);
    const std::string temporary = TemporaryNameOf(path);
    switch (state) {
    case LeftoverState::ChangedWithBackup:
    case LeftoverState::ChangedWithBackupAndCopy:
        // The newer content is moved aside under the temporary name (an
        // unfinished copy there goes first), the backup takes the file's
        // name, then the newer content goes. Stopped at any point, what is
        // left is a state this function finishes the same way.
        if (state == LeftoverState::ChangedWithBackupAndCopy && ::unlink(temporary.c_str()) != 0) {
            error = errno;
            return RecoverOutcome::Failed;
        }
        if ((error = RenameNoReplace(path, temporary)) != 0) {
            return RecoverOutcome::Failed;
        }
        if ((error = RenameNoReplace(backup, path)) != 0) {
            RenameNoReplace(temporary, path); // the file as it was
            return RecoverOutcome::Failed;
        }
        ::unlink(temporary.c_str());
        return RecoverOutcome::Restored;
    case LeftoverState::BetweenRenames:
        if ((error = RenameNoReplace(backup, path)) != 0) {
            return RecoverOutcome::Failed;
        }
        ::unlink(temporary.c_str());
        return RecoverOutcome::Restored;
    case LeftoverState::BackupOnly:
        error = RenameNoReplace(backup, path);
        return error == 0 ? RecoverOutcome::Restored : RecoverOutcome::Failed;
    case LeftoverState::TemporaryCopy:
        if (::unlink(temporary.c_str()) != 0) {
            error = errno;
            return RecoverOutcome::Failed;
        }
        return RecoverOutcome::TemporaryDeleted;
    default:
        return RecoverOutcome::Left;
    }
}

} // namespace

bool LeftoverStateOf(const std::string& path, LeftoverState& state) {
    const NameKind file = KindOf(path);
    const NameKind backup = KindOf(BackupNameOf(path));
    const NameKind temporary = KindOf(TemporaryNameOf(path));
    if (backup == NameKind::Missing && temporary == NameKind::Missing) {
        return false;
    }
    const bool fileThere = file != NameKind::Missing;
    const bool backupThere = backup != NameKind::Missing;
    const bool temporaryThere = temporary != NameKind::Missing;
    if (file == NameKind::Other || backup == NameKind::Other || temporary == NameKind::Other) {
        state = LeftoverState::NotRegular;
    } else if (backupThere && fileThere) {
        state = temporaryThere ? LeftoverState::ChangedWithBackupAndCopy
                               : LeftoverState::ChangedWithBackup;
    } else if (backupThere) {
        state = temporaryThere ? LeftoverState::BetweenRenames : LeftoverState::BackupOnly;
    } else {
        state = fileThere ? LeftoverState::TemporaryCopy : LeftoverState::TemporaryOnly;
    }
    return true;
}

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
            found.push_back({current, LeftoverState::Unreadable, RecoverOutcome::Reported, error});
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
            found.push_back({current, LeftoverState::Unreadable, RecoverOutcome::Reported, error});
            continue;
        }
        first = false;
        const std::string prefix = current == "/" ? "/" : current + "/";
        // Each file once, whichever of its names were seen.
        std::set<std::string> files;
        for (const std::string& name : names) {
            for (std::string_view suffix : {kBackupSuffix, kTemporarySuffix}) {
                if (EndsWith(name, suffix)) {
                    files.insert(name.substr(0, name.size() - suffix.size()));
                }
            }
        }
        for (const std::string& file : files) {
            Leftover leftover;
            leftover.path = prefix + file;
            if (LeftoverStateOf(leftover.path, leftover.state)) {
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

void FinishLeftovers(std::vector<Leftover>& leftovers, RecoverMode mode) {
    if (mode == RecoverMode::Report) {
        for (Leftover& leftover : leftovers) {
            leftover.outcome = RecoverOutcome::Reported;
        }
        return;
    }
    if (mode == RecoverMode::Undo) {
        for (Leftover& leftover : leftovers) {
            if (leftover.state == LeftoverState::Unreadable ||
                !LeftoverStateOf(leftover.path, leftover.state)) {
                leftover.outcome = RecoverOutcome::Left; // unreadable, or gone meanwhile
                continue;
            }
            leftover.outcome = Undo(leftover.path, leftover.state, leftover.error);
        }
        return;
    }

    // Accept, in three steps over all leftovers: the new contents take their
    // names and unfinished copies go; the file systems holding new contents
    // are flushed to disk, once each; only then do the backups go.
    std::vector<Leftover*> backupsToDelete;
    for (Leftover& leftover : leftovers) {
        if (leftover.state == LeftoverState::Unreadable ||
            !LeftoverStateOf(leftover.path, leftover.state)) {
            leftover.outcome = RecoverOutcome::Left; // unreadable, or gone meanwhile
            continue;
        }
        const std::string temporary = TemporaryNameOf(leftover.path);
        switch (leftover.state) {
        case LeftoverState::ChangedWithBackupAndCopy:
        case LeftoverState::TemporaryCopy:
            if (::unlink(temporary.c_str()) != 0) {
                leftover.error = errno;
                leftover.outcome = RecoverOutcome::Failed;
                continue;
            }
            if (leftover.state == LeftoverState::TemporaryCopy) {
                leftover.outcome = RecoverOutcome::TemporaryDeleted;
                continue;
            }
            backupsToDelete.push_back(&leftover);
            break;
        case LeftoverState::ChangedWithBackup:
            backupsToDelete.push_back(&leftover);
            break;
        case LeftoverState::BetweenRenames:
            if ((leftover.error = RenameNoReplace(temporary, leftover.path)) != 0) {
                leftover.outcome = RecoverOutcome::Failed;
                continue;
            }
            backupsToDelete.push_back(&leftover);
            break;
        default:
            // A backup or temporary file that is a file's only content, or
            // a name that is not a regular file.
            leftover.outcome = RecoverOutcome::Left;
            break;
        }
    }
    std::map<dev_t, int> flushed; // file system -> 0 or the errno of its flush
    for (Leftover* leftover : backupsToDelete) {
        const std::string directory = DirectoryOf(leftover->path);
        struct stat st {};
        int error = 0;
        if (::stat(directory.c_str(), &st) != 0) {
            error = errno;
        } else if (auto done = flushed.find(st.st_dev); done != flushed.end()) {
            error = done->second;
        } else {
            int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            error = fd < 0 || ::syncfs(fd) != 0 ? errno : 0;
            if (fd >= 0) {
                ::close(fd);
            }
            flushed[st.st_dev] = error;
        }
        if (error != 0) {
            // The new content may not be on disk: the backup stays.
            leftover->error = error;
            leftover->outcome = RecoverOutcome::Failed;
        }
    }
    for (Leftover* leftover : backupsToDelete) {
        if (leftover->outcome == RecoverOutcome::Failed) {
            continue;
        }
        if (::unlink(BackupNameOf(leftover->path).c_str()) != 0 && errno != ENOENT) {
            leftover->error = errno;
            leftover->outcome = RecoverOutcome::Failed;
            continue;
        }
        leftover->outcome = RecoverOutcome::Accepted;
    }
}
