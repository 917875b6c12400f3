// One run: scan the directories into a file list, rewrite every listed file,
// keep the counters and the change log, then the summary (or message 2502).
#pragma once

#include "job.h"
#include "line_processor.h"
#include "replacement_table.h"
#include "run_ui.h"
#include "start_check.h"

#include <string>

struct RunOptions {
    // The change log's path. Empty: a fresh temporary name (deleted at the
    // end). A caller-named log must not exist yet; it is created, written
    // during the run (so an interrupted run still leaves it) and kept.
    std::string changeLogPath;
    // Read and test files ahead on other threads. Results are the same either
    // way; off only for comparisons in tests.
    bool readAhead = true;
    // Do everything but change a file: each new content is written to a copy
    // in the temporary directory (named in the change log), nothing is
    // created, renamed or deleted beside the files, and the copies are
    // deleted when the summary step has returned.
    bool dryRun = false;
};

enum class RunOutcome {
    Busy,        // another run is under way; nothing was done
    Refused,     // the start check failed, or a text the coding cannot represent (2019)
    ScanFailed,  // the file list could not be written (message 2007)
    ScanStopped, // the user stopped the scan; nothing shown
    NoFiles,     // message 2006
    SetupFailed, // the file list or the change log could not be opened (message shown)
    Completed,   // every listed file was visited
    EndedEarly,  // a message or the user ended the loop before the end
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Busy;
    bool stoppedByUser = false; // the progress indicator's stop was used
    RunStatistics statistics;
};

// Carries out `job`, which passed `start` (CheckStart); a job that did not is
// refused with the start problem's message. Reports everything through `ui`;
// the summary step (ui.RunSummary) runs when at least one file was changed.
// Only one run can be under way in a process at a time.
RunResult RunJob(const Job& job, const StartCheck& start, RunUi& ui,
                 const RunOptions& options = {});

// The line operations of `job` with `table` (null when it is empty), as a
// run applies them.
LineSettings MakeLineSettings(const Job& job, const ReplacementTable& table);

// A message with its inserts.
struct TableMessage {
    int id = 0;
    std::string insert1;
    std::string insert2;
};

// Builds the table of `job` as a run does at Start. False, with the message
// that refuses the Start, when a text cannot be represented in the coding
// (2019) or a pattern cannot be used (2028, 2029).
bool BuildTableForRun(const Job& job, ReplacementTable& table, TableMessage& message);

// True while RunJob is under way in this process.
bool IsRunUnderWay();
