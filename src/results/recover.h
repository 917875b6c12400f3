// Finding and finishing what an interrupted run left beside its files: a
// backup (the file's name with ".QUINTREL-BACKUP") holds a file's previous
// content, a temporary file (".QUINTREL-TEMP") a new content that is being
// written or moved. A run that was killed, or a machine that lost its power,
// leaves them; so does a run kept for later.
//
// Every file with such a name beside it is one leftover, in one of these
// states (P the file, B its backup, T its temporary file):
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
// Finishing never replaces an existing name and never deletes the only copy
// of a content: undo puts every backup back (the newer content under the
// file's name goes, as asked), accept keeps the new contents and deletes the
// backups only after the new contents are on disk; a backup or temporary file
// that is a file's only content is left as it is in either case.
#pragma once

#include <string>
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
};

enum class RecoverMode { Report, Undo, Accept };

enum class RecoverOutcome {
    Reported,         // only reported (RecoverMode::Report)
    Restored,         // the previous content is under the file's name again
    Accepted,         // the new content is under the file's name; the backup is gone
    TemporaryDeleted, // the unfinished temporary file is gone; the file keeps its content
    Left,             // left as it is (an only copy, not a regular file, unreadable)
    Failed,           // a step failed; what was there is still there (see `error`)
};

struct Leftover {
    std::string path; // the file's own name (for Unreadable, the directory)
    LeftoverState state = LeftoverState::ChangedWithBackup;
    RecoverOutcome outcome = RecoverOutcome::Reported;
    int error = 0; // the errno of a failed step
};

// Lists every leftover below `directory` (with all its subdirectories; the
// directory itself is followed if it is a link, links below it are not), in
// byte order of the paths, each directory before its subdirectories. False,
// with errno set, when `directory` itself cannot be read.
bool FindLeftovers(const std::string& directory, std::vector<Leftover>& found);

// The state of the leftover at `path` now; false when nothing is left there.
bool LeftoverStateOf(const std::string& path, LeftoverState& state);

// Finishes the leftovers as `mode` asks and sets each one's outcome. Each
// state is taken again just before it is acted on, so a leftover that changed
// meanwhile is finished by what it is now. Report changes nothing.
void FinishLeftovers(std::vector<Leftover>& leftovers, RecoverMode mode);
