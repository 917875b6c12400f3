#include "finish_file.h"

#include "file_ops.h"

#include <cerrno>
#include <fcntl.h>
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

int Unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

bool DeviceOf(const std::string& directory, dev_t& device) {
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0) {
        return false;
    }
    device = st.st_dev;
    return true;
}

FinishOutcome Fail(int error, FileFinish& result) {
    result.error = error;
    return FinishOutcome::Failed;
}

FinishOutcome Undo(const std::string& path, LeftoverState state, FileFinish& result) {
    const std::string backup = BackupNameOf(path);
    const std::string temporary = TemporaryNameOf(path);
    int error = 0;
    switch (state) {
    case LeftoverState::ChangedWithBackupAndCopy:
        // The unfinished copy goes first, so the temporary name is free.
        if ((error = Unlink(temporary)) != 0) {
            return Fail(error, result);
        }
        [[fallthrough]];
    case LeftoverState::ChangedWithBackup:
        // The newer content is moved aside under the temporary name, the
        // backup takes the file's name, then the newer content goes. When the
        // file cannot be moved aside it stays, and so does its backup.
        // Stopped at any point, what is left is a state finished the same way.
        if ((error = RenameNoReplace(path, temporary)) != 0) {
            return Fail(error, result);
        }
        if ((error = RenameNoReplace(backup, path)) != 0) {
            RenameNoReplace(temporary, path); // the file as it was
            return Fail(error, result);
        }
        Unlink(temporary);
        return FinishOutcome::Restored;
    case LeftoverState::BetweenRenames:
        if ((error = RenameNoReplace(backup, path)) != 0) {
            return Fail(error, result);
        }
        Unlink(temporary);
        return FinishOutcome::Restored;
    case LeftoverState::BackupOnly:
        error = RenameNoReplace(backup, path);
        return error == 0 ? FinishOutcome::Restored : Fail(error, result);
    case LeftoverState::TemporaryCopy:
        error = Unlink(temporary);
        return error == 0 ? FinishOutcome::TemporaryDeleted : Fail(error, result);
    default:
        return FinishOutcome::Left;
    }
}

FinishOutcome Accept(const std::string& path, LeftoverState state, FileSystemFlusher& flusher,
                     FileFinish& result) {
    const std::string temporary = TemporaryNameOf(path);
    int error = 0;
    switch (state) {
    case LeftoverState::TemporaryCopy:
    case LeftoverState::ChangedWithBackupAndCopy:
        if ((error = Unlink(temporary)) != 0) {
            return Fail(error, result);
        }
        if (state == LeftoverState::TemporaryCopy) {
            return FinishOutcome::TemporaryDeleted;
        }
        break;
    case LeftoverState::ChangedWithBackup:
        break;
    case LeftoverState::BetweenRenames:
        // The complete new content takes the file's name.
        if ((error = RenameNoReplace(temporary, path)) != 0) {
            return Fail(error, result);
        }
        break;
    default:
        // A backup or temporary file that is a file's only content, a name
        // that is not a regular file, or nothing to do.
        return FinishOutcome::Left;
    }
    flusher.Note(path);
    return FinishOutcome::Accepted;
}

} // namespace

LeftoverState LeftoverStateOf(const std::string& path) {
    const NameKind file = KindOf(path);
    const NameKind backup = KindOf(BackupNameOf(path));
    const NameKind temporary = KindOf(TemporaryNameOf(path));
    if (backup == NameKind::Missing && temporary == NameKind::Missing) {
        return LeftoverState::Nothing;
    }
    const bool fileThere = file != NameKind::Missing;
    const bool backupThere = backup != NameKind::Missing;
    const bool temporaryThere = temporary != NameKind::Missing;
    if (file == NameKind::Other || backup == NameKind::Other || temporary == NameKind::Other) {
        return LeftoverState::NotRegular;
    }
    if (backupThere && fileThere) {
        return temporaryThere ? LeftoverState::ChangedWithBackupAndCopy
                              : LeftoverState::ChangedWithBackup;
    }
    if (backupThere) {
        return temporaryThere ? LeftoverState::BetweenRenames : LeftoverState::BackupOnly;
    }
    return fileThere ? LeftoverState::TemporaryCopy : LeftoverState::TemporaryOnly;
}

void FileSystemFlusher::Note(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    dev_t device = 0;
    if (DeviceOf(directory, device)) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (flushed_.count(device) == 0) {
            pending_.emplace(device, directory);
        }
    }
}

void FileSystemFlusher::FlushAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [device, directory] : pending_) {
        flushed_[device] = FlushFileSystemOf(directory);
    }
    pending_.clear();
}

int FileSystemFlusher::Result(const std::string& path) {
    dev_t device = 0;
    if (!DeviceOf(DirectoryOf(path), device)) {
        return errno;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto done = flushed_.find(device);
    return done == flushed_.end() ? EAGAIN : done->second;
}

FileFinish FinishFile(const std::string& path, Decision decision, FileSystemFlusher& flusher) {
    FileFinish result;
    result.state = LeftoverStateOf(path);
    result.outcome = decision == Decision::Undo ? Undo(path, result.state, result)
                                                : Accept(path, result.state, flusher, result);
    return result;
}

FileFinish DropBackup(const std::string& path, FileSystemFlusher& flusher) {
    FileFinish result;
    result.state = LeftoverStateOf(path);
    if (result.state != LeftoverState::ChangedWithBackup) {
        result.outcome = FinishOutcome::Left;
        return result;
    }
    // The new content may not be on disk when its file system failed to
    // flush: the backup then stays.
    int error = flusher.Result(path);
    if (error == 0 && (error = Unlink(BackupNameOf(path))) == ENOENT) {
        error = 0;
    }
    result.outcome = error == 0 ? FinishOutcome::Accepted : Fail(error, result);
    return result;
}
