// The changed files of a run as quintrel-batch reports them: each with its
// counters and, when asked, its changes as a unified diff.
#pragma once

#include "json_report.h"
#include "line_processor.h"

#include <string>
#include <vector>

// The files of the change log at `changeLogPath`, in its order. With `lines`
// (the run's line operations), each gets its diff ("--- PATH.QUINTREL-BACKUP"
// and "+++ PATH"): the backup, or in a dry run the file itself, against the
// new content.
std::vector<FileReport> ReportChangedFiles(const std::string& changeLogPath,
                                           const LineSettings* lines);
