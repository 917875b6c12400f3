// The command line of quintrel-batch, turned into a checked record before
// anything is run.
#pragma once

#include "job.h"
#include "recover.h"

#include <map>
#include <string>
#include <vector>

// How a run that changed files is finished, or which kept run is finished.
enum class FinishMode {
    Accept,    // delete the backups (the default)
    Undo,      // put the backups back after the report
    Keep,      // leave changes and backups; the change log goes to `log`
    AcceptLog, // accept the kept run recorded in `log`
    UndoLog,   // undo the kept run recorded in `log`
};

enum class BatchAction {
    Run,        // carry out `job`
    FinishLog,  // finish the kept run in `log`
    Recover,    // report (and finish) what interrupted runs left below `recoverDirectory`
    Help,       // print the help text
    Version,    // print the version
    UsageError, // `error` says what is wrong; nothing is done
};

struct BatchOptions {
    BatchAction action = BatchAction::Run;
    std::string error; // the usage error, in the user's words
    Job job;
    FinishMode finish = FinishMode::Accept;
    std::string log;                               // absolute; for Keep, AcceptLog and UndoLog
    std::string recoverDirectory;                  // absolute; for Recover
    RecoverMode recoverMode = RecoverMode::Report; // --undo, --accept or neither
    std::map<int, int> answers;                    // message id -> button code
    bool json = false;
    bool quiet = false;
    bool dryRun = false;           // run without changing a file
    bool diff = false;             // print each changed file's changes
    std::vector<std::string> only; // absolute; finish just these from `log`
    int language = 0;              // 44 or 49 from --lang; 0 when not given
};

// Parses the arguments (without the program name). Relative directories and
// log names are made absolute against `cwd`. A profile named by --profile is
// read at once, so the options before it are replaced by it and the options
// after it add to it. The first problem found makes the result a usage error;
// --json is recognised wherever it stands, so the error can still be given as
// JSON.
BatchOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& cwd);

// Every option the command knows, as written on the command line.
std::vector<std::string> BatchOptionNames();

// `path` made absolute against `cwd`, with empty and "." parts dropped (".."
// is kept: it may cross a link). `cwd` must be absolute when `path` is not.
std::string MakeAbsolute(const std::string& cwd, const std::string& path);

// The number of characters of a UTF-8 text; a byte that starts no valid
// character counts as one.
std::size_t CountCharacters(const std::string& text);
