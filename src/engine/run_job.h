// One run: scan the directories into a file list, rewrite every listed file,
// keep the counters and the change log, then the summary (or message 2502).
#pragma once

#include "job.h"
#include "run_ui.h"

#include <string>

struct RunOptions {
    // The change log's path. Empty: a fresh temporary name (deleted at the
    // end). A caller-named log must not exist yet; it is created, written
    // during the run (so an interrupted run still leaves it) and kept.
    std::string changeLogPath;
    // Read and test files ahead on other threads. Results are the same either
    // way; off only for comparisons in tests.
    bool readAhead = true;
};

enum class RunOutcome {
    Busy,        // another run is under way; nothing was done
    Refused,     // a text the coding cannot represent (message 2019)
    ScanFailed,  // the file list could not be written (message 2007)
    ScanStopped, // the user stopped the scan; nothing shown
    NoFiles,     // message 2006
    Prepared,    // the table or the run's files could not be prepared
    Completed,   // every listed file was visited
    EndedEarly,  // a message or the user ended the loop before the end
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Busy;
    bool stoppedByUser = false; // the progress indicator's stop was used
    RunStatistics statistics;
};

// Carries out `job`. Reports everything through `ui`; the summary step
// (ui.RunSummary) runs when at least one file was changed. Only one run can
// be under way in a process at a time.
RunResult RunJob(const Job& job, RunUi& ui, const RunOptions& options = {});

// The checks a job must pass before Start, with their messages and in their
// order: the comparison date (2001) and time (2002) when the date filter is
// on, a directory (2003), a file group (2004). On success the date and time
// are rewritten in their standard form. Returns 1 when the job may start, 2
// when it may not (the message has been shown).
int CheckJobStartConditions(Job& job, RunUi& ui);

// True while RunJob is under way in this process.
bool IsRunUnderWay();
