// Finishing a run: accept all changes (the backups are deleted) or undo them
// (the backups are put back), walking the change log from its first line to
// its last with a progress indicator that cannot be stopped.
#pragma once

#include "run_ui.h"

#include <string>
#include <vector>

// Makes the new contents durable (once per file system), then deletes the
// backup of every file in the change log. A missing backup is passed over
// silently; a backup whose file system could not be flushed stays, as a
// backup that cannot be deleted does. Message 2016 when the log cannot be opened (nothing deleted).
// Returns false when the change log could not be read.
bool CommitChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui);

// Puts every file's backup back under its name. The previous content is never
// deleted: a file whose backup is missing keeps its changed content (message
// 2012 with the backup and the file). Message 2503 at the end; 2016 (and no
// 2503) when the log cannot be opened. Returns false when the change log
// could not be read.
bool UndoChanges(const std::string& changeLogPath, long filesChanged, RunUi& ui);

// The paths of a change log, in order (trailing control bytes cut).
std::vector<std::string> ReadChangeLog(const std::string& changeLogPath, bool* ok = nullptr);

// The names beside a file.
std::string TemporaryNameOf(const std::string& path);
std::string BackupNameOf(const std::string& path);
