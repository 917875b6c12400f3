// Finishing one changed file: accepting its change (the backup goes) or
// undoing it (the backup takes the file's name again). Every way of finishing
// a run (the summary, the batch tool's accept and undo, finishing a kept run,
// recovery after an interruption) is a loop over FinishFile.
//
// What stands beside a file decides what is done (P the file, B its backup
// ".QUINTREL-BACKUP", T its temporary file ".QUINTREL-TEMP"):
//   P and B            changed; the previous content is in B
//   P, B and T         the same, and T is an unfinished copy
//   B and T, no P      stopped between the two renamings of a rewrite (or of
//                      an undo): T holds the complete new content, B the old
//   B alone            the file is missing; B is its only content
//   P and T, no B      T was never put in place (an interrupted copy, or an
//                      undo that had already put the old content back)
//   T alone            the only content under this name
//   not regular        one of the names is a link, a directory or a device
//
// The rules every path shares: no name is ever replaced, and a content that
// is the only copy of something is never deleted. Undo puts the backup back
// (the newer content goes, as asked); when the changed file cannot be moved
// aside, nothing is deleted: the file stays as it is and so does its backup.
// Accept keeps the new content and deletes the backup only once the new
// content is on disk: accepting goes over all files twice, FinishFile puts
// each new content in place, the flusher then flushes each file system once,
// and DropBackup deletes each backup.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>

enum class LeftoverState {
    ChangedWithBackup,
    ChangedWithBackupAndCopy,
    BetweenRenames,
    BackupOnly,
    TemporaryCopy,
    TemporaryOnly,
    NotRegular,
    Unreadable, // a directory below the searched one that cannot be read
    Nothing,    // neither a backup nor a temporary file stands beside the file
};

// The state of what stands at `path` and beside it now.
LeftoverState LeftoverStateOf(const std::string& path);

enum class Decision { Accept, Undo };

enum class FinishOutcome {
    Reported,         // only looked at
    Restored,         // the previous content is under the file's name again
    Accepted,         // the new content is under the file's name; the backup is gone
    TemporaryDeleted, // the unfinished temporary file is gone; the file keeps its content
    Left,             // left as it is (an only copy, not a regular file, nothing there)
    Failed,           // a step failed; what was there is still there (see `error`)
};

struct FileFinish {
    LeftoverState state = LeftoverState::Nothing; // as found before acting
    FinishOutcome outcome = FinishOutcome::Left;
    int error = 0; // the errno of a failed step
};

// The file systems that hold new contents, each flushed to disk once before
// any backup on it goes; safe to share between threads.
class FileSystemFlusher {
public:
    // The file system holding `path`'s directory is to be flushed.
    void Note(const std::string& path);
    // Flushes every noted file system that was not flushed yet.
    void FlushAll();
    // 0 when the file system holding `path`'s directory was flushed, else the
    // errno of its flush (EAGAIN when it was never noted).
    int Result(const std::string& path);

private:
    std::mutex mutex_;
    std::map<dev_t, std::string> pending_; // a directory on each file system
    std::map<dev_t, int> flushed_;
};

// Finishes the file at `path` as `decision` asks, from the state it is in now.
// Accepting stops short of the backup: the new content is in place and its
// file system noted (outcome Accepted); DropBackup finishes it.
FileFinish FinishFile(const std::string& path, Decision decision, FileSystemFlusher& flusher);

// The second half of accepting: deletes the backup of a file whose new
// content is in place (a file and its backup, nothing else) once its file
// system was flushed. Anything else stays: Left, or Failed with the errno
// of the flush or the deletion.
FileFinish DropBackup(const std::string& path, FileSystemFlusher& flusher);
