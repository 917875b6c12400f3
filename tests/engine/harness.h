// One harness for the engine: a row (a file's bytes, a job, and what a run
// must make of them) is taken through every way the engine can process the
// file and through the plain reference, and each must give the expected bytes
// and counters. The ways ("paths") are named:
//   reference                               the plain line-by-line algorithm
//   lines/<table>/<feed>/<lines>/<mode>     LineProcessor, with
//     <table>  plain | index | automaton    how the pairs are searched (none: no
//              table; regex: regular expressions)
//     <feed>   all | 1 | 2 | 3 | 7 | 61 | 4093   bytes per Feed call
//     <lines>  whole | streamed             long-line threshold as in a run, or lowered
//     <mode>   write | look                 with a sink, or only looking for a change
//   rewrite-file, look-ahead                RewriteFile; LookAhead, then CommitPrepared
//   run-job/read-ahead-off, run-job/read-ahead-on   RunJob over a real tree
// QUINTREL_HARNESS_PATH and QUINTREL_HARNESS_ROW pick one path or row by its
// name (a trailing '*' takes every name that starts so), to debug it.
#pragma once

#include "job.h"
#include "line_processor.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace harness {

struct Row {
    std::string name;
    std::string input;
    Job job; // line options and pairs (the harness picks directories and files; Yes confirms)
    std::string output;    // what the line operations write for `input`
    FileCounters counters; // line changes, replacements, empty lines removed (and the
                           // lines too long to replace in that held a search text)
    bool text = true;      // false: the text test skips the file, which stays as it is
};

using Report =
    std::function<void(const std::string& row, const std::string& path, const std::string& what)>;

// Takes every row through every path and reports each path that gives
// something else. Consecutive rows of the same job share a tree for the
// file paths. Stops after 40 failures.
void CheckRows(const std::vector<Row>& rows, const Report& report);

// The row with the plain reference's result as its expected one.
Row WithReferenceResult(Row row);

// The generator: seeded random numbers or a fuzzer's bytes give each choice,
// a number from 0 to count - 1.
using Choose = std::function<std::size_t(std::size_t count)>;
// Rows leaning towards the matching of the pairs (more and longer texts, lines
// near the length limit) or the lines of a file (line ends, blank and empty
// lines, zero bytes).
enum class Focus { Matching, Lines };
Job GenerateJob(const Choose& choose, Focus focus);
// A file for `job`; always text (its few binary bytes never outweigh the rest).
std::string GenerateInput(const Choose& choose, const Job& job, Focus focus);

} // namespace harness
