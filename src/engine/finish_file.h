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
//                      an undo): T holds the complete new content, B the old;
//                      so is P when it is B under a second name (a rename
//                      made of a link and an unlink, stopped between them)
//   B alone            the file is missing; B is its only content
//   P and T, no B      T was never put in place (an interrupted copy, or an
//                      undo that had already put the old content back)
//   T alone            the only content under this name
//   not regular        one of the names is a link, a directory or a device
//
// The record of what the run read and wrote (from the change log, or the one
// a run leaves on each backup) decides what may be done:
// - a backup is acted on only when it is the one the run made (accepting: and
//   nothing was written to it since);
// - undo puts a backup back over a file that was changed after the run only
//   when told to (the caller asks);
// - accepting keeps a file changed after the run as it is; but a file that is
//   still the run's own and yet no longer holds what the run wrote (a content
//   lost in a power cut) gets its backup back.
// No name is ever replaced, and a content that is the only copy of something
// is never deleted: when the changed file cannot be moved aside it stays as
// it is, and so does its backup. Accept deletes a backup only once the new
// content is on disk: accepting goes over all files twice, FinishFile puts
// each new content in place, the flusher then flushes each file system once,
// and DropBackup deletes each backup.
#pragma once

#include "change_log.h"
#include "file_ops.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

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

// Why a file was left as it is, or what else was found.
enum class Finding {
    None,
    ChangedAfterRun, // undo: the file is no longer what the run wrote
    BackupNotOurs,   // the backup is not the run's, or was written to since
    NewContentLost,  // accept: the file no longer holds what the run wrote
    FileMissing,     // accept: no regular file stands under the name
    NotDurable,      // accept: the file system could not be flushed
};

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
    Finding finding = Finding::None;
    int error = 0; // the errno of a failed step
};

// The file systems that hold new contents, each flushed to disk once before
// any backup on it goes; safe to share between threads.
class FileSystemFlusher {
public:
    FileSystemFlusher() = default;
    ~FileSystemFlusher();
    FileSystemFlusher(const FileSystemFlusher&) = delete;
    FileSystemFlusher& operator=(const FileSystemFlusher&) = delete;

    // Starts flushing the file systems that hold `directories` on another
    // thread, so that the wait for the disk overlaps the first walk over
    // the files: it covers every content put in place before now.
    void FlushAhead(const std::vector<std::string>& directories);
    // The file system `device`, which holds the file at `path`, is to be
    // flushed; `placedNow`: a new content was put in place just now, so a
    // flush started before does not cover it.
    void Note(dev_t device, const std::string& path, bool placedNow = false);
    // Flushes every noted file system that no flush covers yet.
    void FlushAll();
    // 0 when the file system was flushed, else the errno of its flush
    // (EAGAIN when it was never noted).
    int Result(dev_t device);

private:
    struct Pending {
        std::shared_ptr<FileDescriptor> directory; // held open: its name may not last
        bool placedNow = false;
    };
    std::mutex mutex_;
    std::map<dev_t, Pending> pending_;
    std::map<dev_t, int> flushed_;
    std::thread ahead_;
    std::map<dev_t, int> flushedAhead_; // written by ahead_ only, read after it ended
};

// Finishes the file of `record` as `decision` asks, from the state it is in
// now. Undo leaves a file changed after the run (Finding ChangedAfterRun)
// unless `overwriteLaterChanges`. Accepting stops short of the backup: the
// new content is in place and its file system noted (outcome Accepted);
// DropBackup finishes it. A record without identities finishes by name.
// System calls reach the file as `at` (see PathResolver), messages name it as
// record.path.
FileFinish FinishFile(const ChangeRecord& record, const std::string& at, Decision decision,
                      FileSystemFlusher& flusher, bool overwriteLaterChanges = false);

// The second half of accepting: deletes the backup of a file whose new
// content is in place (a file and its backup, nothing else) once its file
// system was flushed, if the backup is still the run's. Anything else stays:
// Left, or Failed with the errno of the flush or the deletion.
FileFinish DropBackup(const ChangeRecord& record, const std::string& at,
                      FileSystemFlusher& flusher);
