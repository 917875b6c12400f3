// The JSON object of --json: the counters, the changed files and every
// message shown, on one line.
#pragma once

#include "job.h"
#include "line_processor.h"
#include "recover.h"

#include <string>
#include <string_view>
#include <vector>

struct ReportedMessage {
    int id = 0;
    std::vector<std::string> inserts; // as many as the message's text takes
    int answer = 1;                   // the button code given back
};

// A changed file with its counters (and, with --diff, its changes).
struct FileReport {
    std::string path;
    FileCounters counters;
    bool hasDiff = false;
    std::string diff;
};

struct BatchReport {
    RunStatistics statistics;
    std::vector<std::string> changed;
    std::vector<FileReport> files;
    std::vector<ReportedMessage> messages;
    std::string error; // a usage error; the "error" member is left out when empty
};

// `bytes` as a JSON string literal, quotes included. Valid UTF-8 is kept as
// it stands; each byte that starts no valid character is written as \udcXX
// (XX its value), so a path that is not UTF-8 can be recovered byte for byte.
std::string JsonString(std::string_view bytes);

// The object with the members "FilesProcessed", "FilesChanged",
// "LinesChanged", "ReplacementsMade", "EmptyLinesRemoved", "LinesTooLong",
// "changed", "files" (each {"path", "LinesChanged", "ReplacementsMade",
// "EmptyLinesRemoved", "LinesTooLong"} and, with --diff, "diff"),
// "messages" (each {"id", "inserts", "answer"}) and, for a usage error,
// "error"; ended by a line feed.
std::string JsonReport(const BatchReport& report);

// The object of --recover --json: "leftovers", each {"file", "state",
// "outcome"} in the order found, and "error" when the directory could not be
// read; ended by a line feed. States: "changed-with-backup",
// "changed-with-backup-and-temporary", "between-renames", "backup-only",
// "temporary-copy", "temporary-only", "not-regular", "unreadable"; outcomes:
// "reported", "restored", "accepted", "temporary-deleted", "left", "failed".
std::string JsonRecoverReport(const std::vector<Leftover>& leftovers, const std::string& error);
