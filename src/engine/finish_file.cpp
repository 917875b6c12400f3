#include "finish_file.h"

#include "content_hash.h"
#include "file_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

enum class NameKind { Missing, Regular, Other };

NameKind KindOf(const std::string& path, struct stat& st) {
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? NameKind::Missing : NameKind::Other;
    }
    return S_ISREG(st.st_mode) ? NameKind::Regular : NameKind::Other;
}

// What stands at the file's three names, looked at once.
struct Scene {
    struct stat file {};
    struct stat backup {};
    struct stat temporary {};
    NameKind fileKind = NameKind::Missing;
    NameKind backupKind = NameKind::Missing;
    NameKind temporaryKind = NameKind::Missing;
};

Scene LookAt(const std::string& path, bool withTemporary = true) {
    Scene scene;
    scene.fileKind = KindOf(path, scene.file);
    scene.backupKind = KindOf(BackupNameOf(path), scene.backup);
    if (withTemporary) {
        scene.temporaryKind = KindOf(TemporaryNameOf(path), scene.temporary);
    }
    return scene;
}

LeftoverState StateOf(const Scene& scene) {
    if (scene.backupKind == NameKind::Missing && scene.temporaryKind == NameKind::Missing) {
        return LeftoverState::Nothing;
    }
    const bool fileThere = scene.fileKind != NameKind::Missing;
    const bool backupThere = scene.backupKind != NameKind::Missing;
    const bool temporaryThere = scene.temporaryKind != NameKind::Missing;
    if (scene.fileKind == NameKind::Other || scene.backupKind == NameKind::Other ||
        scene.temporaryKind == NameKind::Other) {
        return LeftoverState::NotRegular;
    }
    // The file under its name and as its backup at once, with the new
    // content beside them: stopped inside a rename made of link and unlink.
    const bool secondName = fileThere && backupThere && scene.file.st_dev == scene.backup.st_dev &&
                            scene.file.st_ino == scene.backup.st_ino;
    if (backupThere && fileThere && !(secondName && temporaryThere)) {
        return temporaryThere ? LeftoverState::ChangedWithBackupAndCopy
                              : LeftoverState::ChangedWithBackup;
    }
    if (backupThere) {
        return temporaryThere ? LeftoverState::BetweenRenames : LeftoverState::BackupOnly;
    }
    return fileThere ? LeftoverState::TemporaryCopy : LeftoverState::TemporaryOnly;
}

int Unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

FinishOutcome Fail(int error, FileFinish& result) {
    result.error = error;
    return FinishOutcome::Failed;
}

FinishOutcome Leave(Finding finding, FileFinish& result) {
    result.finding = finding;
    return FinishOutcome::Left;
}

// The file's own name is a second name of its backup (a rename made of a
// link and an unlink, stopped between the two): the name goes, the content
// stays under the backup name.
int DropSecondName(const std::string& path) {
    struct stat file {};
    struct stat backup {};
    if (::lstat(path.c_str(), &file) == 0 && ::lstat(BackupNameOf(path).c_str(), &backup) == 0 &&
        file.st_dev == backup.st_dev && file.st_ino == backup.st_ino) {
        return Unlink(path);
    }
    return 0;
}

// True when the backup beside the file is the one the run made (and, when
// asked, nothing was written to it since the run read it).
bool BackupIsTheRuns(const ChangeRecord& record, const Scene& scene, bool unwrittenSince) {
    if (!record.backupKnown) {
        return true;
    }
    if (scene.backupKind != NameKind::Regular) {
        return false;
    }
    const FileIdentity now = IdentityOf(scene.backup);
    if (!now.SameFile(record.backup)) {
        return false;
    }
    return !unwrittenSince || (now.size == record.backup.size &&
                               now.modified.tv_sec == record.backup.modified.tv_sec &&
                               now.modified.tv_nsec == record.backup.modified.tv_nsec);
}

// True when the file is the one the run wrote and nobody wrote to it since.
bool StillTheRuns(const ChangeRecord& record, const FileIdentity& now) {
    return now.SameFile(record.written) && now.size == record.written.size &&
           now.modified.tv_sec == record.written.modified.tv_sec &&
           now.modified.tv_nsec == record.written.modified.tv_nsec;
}

// True when the file under the name is the run's own file (no later write
// changed its time) but no longer holds what the run wrote: its content was
// lost (a power cut before it reached the disk).
bool NewContentLost(const ChangeRecord& record, const Scene& scene) {
    if (!record.writtenKnown || scene.fileKind != NameKind::Regular) {
        return false;
    }
    const FileIdentity now = IdentityOf(scene.file);
    if (!now.SameFile(record.written) || now.modified.tv_sec != record.written.modified.tv_sec ||
        now.modified.tv_nsec != record.written.modified.tv_nsec) {
        return false;
    }
    if (now.size != record.written.size) {
        return true;
    }
    // In the system start that wrote it, the content is what was written;
    // after another start it is read and compared.
    if (record.bootId == CurrentBootId() && record.bootId != "-") {
        return false;
    }
    FileDescriptor fd(OpenRegularFile(record.path));
    std::uint64_t hash = 0;
    return fd.get() < 0 || !HashOpenFile(fd.get(), hash) || hash != record.hash;
}

FinishOutcome Restore(const std::string& path, LeftoverState state, FileFinish& result) {
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
        break;
    case LeftoverState::BetweenRenames:
        if ((error = DropSecondName(path)) != 0 || (error = RenameNoReplace(backup, path)) != 0) {
            return Fail(error, result);
        }
        Unlink(temporary);
        break;
    case LeftoverState::BackupOnly:
        if ((error = RenameNoReplace(backup, path)) != 0) {
            return Fail(error, result);
        }
        break;
    default:
        return FinishOutcome::Left;
    }
    // The run's note on the old content goes with the change.
    ::lremovexattr(path.c_str(), kRecordAttribute);
    return FinishOutcome::Restored;
}

FinishOutcome Undo(const ChangeRecord& record, const Scene& scene, LeftoverState state,
                   bool overwrite, FileFinish& result) {
    const std::string temporary = TemporaryNameOf(record.path);
    switch (state) {
    case LeftoverState::ChangedWithBackup:
    case LeftoverState::ChangedWithBackupAndCopy:
    case LeftoverState::BetweenRenames:
    case LeftoverState::BackupOnly:
        if (!BackupIsTheRuns(record, scene, false)) {
            return Leave(Finding::BackupNotOurs, result);
        }
        if ((state == LeftoverState::ChangedWithBackup ||
             state == LeftoverState::ChangedWithBackupAndCopy) &&
            !overwrite && record.writtenKnown && scene.fileKind == NameKind::Regular &&
            !StillTheRuns(record, IdentityOf(scene.file)) && !NewContentLost(record, scene)) {
            return Leave(Finding::ChangedAfterRun, result);
        }
        return Restore(record.path, state, result);
    case LeftoverState::TemporaryCopy: {
        int error = Unlink(temporary);
        return error == 0 ? FinishOutcome::TemporaryDeleted : Fail(error, result);
    }
    default:
        return FinishOutcome::Left;
    }
}

FinishOutcome Accept(const ChangeRecord& record, const Scene& scene, LeftoverState state,
                     FileSystemFlusher& flusher, FileFinish& result) {
    const std::string& path = record.path;
    const std::string temporary = TemporaryNameOf(path);
    int error = 0;
    switch (state) {
    case LeftoverState::TemporaryCopy:
        error = Unlink(temporary);
        return error == 0 ? FinishOutcome::TemporaryDeleted : Fail(error, result);
    case LeftoverState::ChangedWithBackupAndCopy:
    case LeftoverState::ChangedWithBackup:
    case LeftoverState::BetweenRenames:
        break;
    case LeftoverState::BackupOnly:
    case LeftoverState::NotRegular:
        // The backup may be the only content left.
        return Leave(Finding::FileMissing, result);
    default:
        // A temporary file that is a file's only content, or nothing to do.
        return FinishOutcome::Left;
    }
    if (!BackupIsTheRuns(record, scene, true)) {
        return Leave(Finding::BackupNotOurs, result);
    }
    dev_t device = scene.backup.st_dev;
    if (state == LeftoverState::BetweenRenames) {
        // The complete new content takes the file's name, if it is what the
        // run wrote.
        if (record.writtenKnown) {
            FileDescriptor fd(OpenRegularFile(temporary));
            std::uint64_t hash = 0;
            if (fd.get() < 0 || !HashOpenFile(fd.get(), hash) || hash != record.hash) {
                result.finding = Finding::NewContentLost;
                return Restore(path, state, result);
            }
        }
        if ((error = DropSecondName(path)) != 0 ||
            (error = RenameNoReplace(temporary, path)) != 0) {
            return Fail(error, result);
        }
    } else {
        if (state == LeftoverState::ChangedWithBackupAndCopy && (error = Unlink(temporary)) != 0) {
            return Fail(error, result);
        }
        if (NewContentLost(record, scene)) {
            result.finding = Finding::NewContentLost;
            return Restore(path, LeftoverState::ChangedWithBackup, result);
        }
        device = scene.file.st_dev;
    }
    flusher.Note(device, path, state == LeftoverState::BetweenRenames);
    return FinishOutcome::Accepted;
}

} // namespace

LeftoverState LeftoverStateOf(const std::string& path) {
    return StateOf(LookAt(path));
}

FileSystemFlusher::~FileSystemFlusher() {
    if (ahead_.joinable()) {
        ahead_.join();
    }
}

void FileSystemFlusher::FlushAhead(const std::vector<std::string>& directories) {
    std::vector<std::unique_ptr<FileDescriptor>> opened;
    for (const std::string& directory : directories) {
        opened.push_back(std::make_unique<FileDescriptor>(
            ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    }
    ahead_ = std::thread([this, opened = std::move(opened)] {
        for (const auto& fd : opened) {
            struct stat status {};
            if (fd->get() >= 0 && ::fstat(fd->get(), &status) == 0 &&
                flushedAhead_.count(status.st_dev) == 0) {
                flushedAhead_[status.st_dev] = ::syncfs(fd->get()) == 0 ? 0 : errno;
            }
        }
    });
}

void FileSystemFlusher::Note(dev_t device, const std::string& path, bool placedNow) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (flushed_.count(device) != 0) {
        return;
    }
    Pending& pending = pending_[device];
    pending.placedNow = pending.placedNow || placedNow;
    if (!pending.directory) {
        pending.directory = std::make_shared<FileDescriptor>(
            ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
}

void FileSystemFlusher::FlushAll() {
    if (ahead_.joinable()) {
        ahead_.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [device, pending] : pending_) {
        auto ahead = flushedAhead_.find(device);
        if (!pending.placedNow && ahead != flushedAhead_.end() && ahead->second == 0) {
            flushed_[device] = 0;
            continue;
        }
        const int fd = pending.directory->get();
        flushed_[device] = fd >= 0 && ::syncfs(fd) == 0 ? 0 : errno;
    }
    pending_.clear();
}

int FileSystemFlusher::Result(dev_t device) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto done = flushed_.find(device);
    return done == flushed_.end() ? EAGAIN : done->second;
}

FileFinish FinishFile(const ChangeRecord& logged, const std::string& at, Decision decision,
                      FileSystemFlusher& flusher, bool overwriteLaterChanges) {
    ChangeRecord record = logged;
    record.path = at;
    FileFinish result;
    const Scene scene = LookAt(record.path);
    result.state = StateOf(scene);
    result.outcome = decision == Decision::Undo
                         ? Undo(record, scene, result.state, overwriteLaterChanges, result)
                         : Accept(record, scene, result.state, flusher, result);
    return result;
}

FileFinish DropBackup(const ChangeRecord& logged, const std::string& at,
                      FileSystemFlusher& flusher) {
    ChangeRecord record = logged;
    record.path = at;
    FileFinish result;
    // A temporary file beside it makes no difference now: the new content is
    // in place, the backup holds only what the user let go.
    const Scene scene = LookAt(record.path, false);
    if (scene.fileKind != NameKind::Regular || scene.backupKind != NameKind::Regular ||
        (scene.file.st_dev == scene.backup.st_dev && scene.file.st_ino == scene.backup.st_ino)) {
        result.state = StateOf(scene);
        result.outcome = FinishOutcome::Left;
        return result;
    }
    result.state = LeftoverState::ChangedWithBackup;
    if (!BackupIsTheRuns(record, scene, true)) {
        result.outcome = Leave(Finding::BackupNotOurs, result);
        return result;
    }
    // The new content may not be on disk when its file system failed to
    // flush: the backup then stays.
    int error = flusher.Result(scene.file.st_dev);
    if (error != 0) {
        result.finding = Finding::NotDurable;
    } else if ((error = Unlink(BackupNameOf(record.path))) == ENOENT) {
        error = 0;
    }
    result.outcome = error == 0 ? FinishOutcome::Accepted : Fail(error, result);
    return result;
}
