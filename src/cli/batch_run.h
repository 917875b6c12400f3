// What quintrel-batch does with a parsed command line: prints a usage error,
// the help or the version, finishes a kept run, or carries out a job; writes
// the JSON object when asked; gives the exit status.
#pragma once

#include "batch_options.h"
#include "run_job.h"

// Exit statuses.
inline constexpr int kExitDone = 0;       // the run was carried out
inline constexpr int kExitEndedEarly = 1; // a message or a stop ended it
inline constexpr int kExitRefused = 2;    // a usage error, or the job was refused at Start

// Carries out `options`. `interactive`: questions may be asked on standard
// input.
int RunBatch(const BatchOptions& options, bool interactive);

// The exit status of a run: its outcome, and whether finishing it (commit or
// undo) showed a failure.
int ExitStatusOf(RunOutcome outcome, bool finishFailed);
