// The seam between the engine and the people it works for. The engine never
// shows anything itself: the program implements this with dialogs, the batch
// tool with the terminal, the tests with scripted answers.
#pragma once

#include "job.h"
#include "line_processor.h"
#include "string_table.h"

#include <string>
#include <string_view>

// What the summary step of a run gets: the counters and the change log
// (one changed file's path a line, each ended by CR LF).
struct RunSummaryInfo {
    const RunStatistics& statistics;
    const std::string& changeLogPath;
    // The run's line operations, to show what they changed.
    const LineSettings& lines;
    // The coding the run read its files in, to show their text.
    CodeMode code = CodeMode::Ansi;
};

class RunUi {
public:
    virtual ~RunUi() = default;

    // Shows string-table message `id` with its inserts and gives the button
    // pressed.
    virtual Answer ShowMessage(int id, std::string_view insert1 = {},
                               std::string_view insert2 = {}) = 0;

    // The scan: shown while the file list is made. ScanProgress gets each
    // directory as it is read; false stops the scan (silently).
    virtual void BeginScan() {}
    virtual bool ScanProgress(const std::string& directory) {
        (void)directory;
        return true;
    }
    virtual void EndScan() {}

    // The progress indicator of a long step: title string id and total.
    virtual void CreateProgress(int titleId, long total) {
        (void)titleId;
        (void)total;
    }
    virtual void UpdateProgress(long position) { (void)position; }
    // True once the user asked to stop (polled once per file).
    virtual bool ProgressAborted() { return false; }
    virtual void DestroyProgress() {}

    // Called at least every 100 ms while the engine works, so a window stays
    // responsive (and a stop button can be pressed) even inside one big file.
    virtual void KeepAlive() {}

    // The summary after a run that changed files. It must finish the run:
    // CommitChanges or UndoChanges (or, in the batch tool, keep the changes
    // and their log).
    virtual void RunSummary(const RunSummaryInfo& info) = 0;
};
