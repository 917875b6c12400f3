// Finding and finishing what an interrupted run left beside its files: a
// backup (the file's name with ".QUINTREL-BACKUP") holds a file's previous
// content, a temporary file (".QUINTREL-TEMP") a new content that is being
// written or moved. A run that was killed, or a machine that lost its power,
// leaves them; so does a run kept for later.
//
// Each leftover is finished by FinishFile (see there for its states and rules).
#pragma once

#include "finish_file.h"

#include <functional>
#include <string>
#include <vector>

enum class RecoverMode { Report, Undo, Accept };

struct Leftover {
    std::string path; // the file's own name (for Unreadable, the directory)
    LeftoverState state = LeftoverState::ChangedWithBackup;
    FinishOutcome outcome = FinishOutcome::Reported;
    Finding finding = Finding::None;
    int error = 0; // the errno of a failed step
};

// Lists every leftover below `directory` (with all its subdirectories; the
// directory itself is followed if it is a link, links below it are not), in
// byte order of the paths, each directory before its subdirectories. False,
// with errno set, when `directory` itself cannot be read.
bool FindLeftovers(const std::string& directory, std::vector<Leftover>& found);

// Finishes the leftovers found below `root` as `mode` asks and sets each
// one's outcome; below `root` no link is followed to reach them. Each
// state is taken again just before it is acted on, so a leftover that changed
// meanwhile is finished by what it is now; the record a run left on a backup
// is checked as FinishFile does. Undoing over a file changed after the run
// happens only where `overwriteLaterChanges` says yes. Report changes nothing.
void FinishLeftovers(
    std::vector<Leftover>& leftovers, RecoverMode mode, const std::string& root,
    const std::function<bool(const std::string& path)>& overwriteLaterChanges = {});
