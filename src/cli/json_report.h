// The JSON object of --json: the counters, the changed files and every
// message shown, on one line.
#pragma once

#include "job.h"

#include <string>
#include <string_view>
#include <vector>

struct ReportedMessage {
    int id = 0;
    std::vector<std::string> inserts; // as many as the message's text takes
    int answer = 1;                   // the button code given back
};

struct BatchReport {
    RunStatistics statistics;
    std::vector<std::string> changed;
    std::vector<ReportedMessage> messages;
    std::string error; // a usage error; the "error" member is left out when empty
};

// `bytes` as a JSON string literal, quotes included. Valid UTF-8 is kept as
// it stands; each byte that starts no valid character is written as \udcXX
// (XX its value), so a path that is not UTF-8 can be recovered byte for byte.
std::string JsonString(std::string_view bytes);

// The object with the members "FilesProcessed", "FilesChanged",
// "LinesChanged", "ReplacementsMade", "EmptyLinesRemoved", "changed",
// "messages" (each {"id", "inserts", "answer"}) and, for a usage error,
// "error"; ended by a line feed.
std::string JsonReport(const BatchReport& report);
