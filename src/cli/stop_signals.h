// SIGINT, SIGTERM and SIGHUP as the stop button: the handler only records
// the request; the run looks at it between files (and the scan between
// directories), so no file is ever left half done, and commit and undo, which
// never look, always walk to their end.
#pragma once

// Installs the handlers for the whole process, and ignores SIGPIPE so that a
// closed output can never kill the tool before a run is finished.
void InstallStopSignals();

// True once one of the signals arrived.
bool StopRequested();

// Waits up to `milliseconds` for a stop request; true when one is there.
bool WaitForStop(int milliseconds);

// A descriptor that becomes readable once a stop was requested, for waits
// that also watch other input.
int StopSignalDescriptor();
