// Finishing a run from its change log: accept all changes (the backups are
// deleted) or undo them (the backups are put back), walking the log from its
// first line to its last with a progress indicator that cannot be stopped.
// Each file is finished by FinishFile, so these follow its rules.
#pragma once

#include "run_ui.h"

#include <set>
#include <string>
#include <vector>

// The files to finish, by their paths as the log names them (null: all).
// After finishing some, the log holds only the others (2503, "all undone",
// is shown only when everything was undone).
using FileSelection = std::set<std::string>;

// Accepts every file of the change log: its new content is made durable
// (each file system flushed once), then its backup is deleted. A backup
// whose file is missing, not a regular file, or whose file system could not
// be flushed stays. Message 2016 when the log cannot be opened (nothing
// deleted). Returns false when the change log could not be read.
bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui,
                   const FileSelection* only = nullptr);

// Puts every file's backup back under its name. The changed content is never
// deleted unless the backup has taken its place: a file whose backup is
// missing, or that cannot be moved aside, stays as it is (message 2012 with
// the backup and the file). Message 2503 at the end; 2016 (and no 2503) when
// the log cannot be opened. Returns false when the change log could not be
// read.
bool UndoChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui,
                 const FileSelection* only = nullptr);

// The paths of a change log, in order (trailing control bytes cut).
std::vector<std::string> ReadChangeLog(const std::string& changeLogPath, bool* ok = nullptr);
