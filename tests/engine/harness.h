// One harness for the engine: a row (a file's bytes, a job, and what the run
// must make of them) is taken through every way the engine can process the
// file and through the plain reference, and each way must give the same
// bytes and counters. The ways ("paths") are named:
//   reference                                 the plain line-by-line algorithm
//   lines/<table>/<feed>/<lines>/<mode>       LineProcessor, where
//       <table> plain | index | automaton     how the pairs are searched (none: no table)
//       <feed>  all | 1 | 2 | 3 | 7 | 61 | 4093  bytes per Feed call
//       <lines> whole | streamed              long-line threshold as in a run, or lowered
//       <mode>  write | look                  with a sink, or only looking for a change
//   rewrite-file                              RewriteFile on a real file
//   look-ahead                                LookAhead, then CommitPrepared
//   run-job/read-ahead-off, run-job/read-ahead-on   RunJob over a real tree
// To debug one of them, QUINTREL_HARNESS_PATH and QUINTREL_HARNESS_ROW take a
// path or row name (a trailing '*' matches every name that starts so).
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
    std::string input; // the file's bytes
    // The line operations and the replacement rows; directories, file groups
    // and the date filter are the harness's own. With `confirm` the question
    // is answered Yes.
    Job job;
    std::string output;    // what the line operations write for `input`
    FileCounters counters; // line changes, replacements, empty lines removed
    bool text = true;      // false: the text test skips the file, which stays as it is
};

// A path that gave something else: the row, the path and what differed.
using Report =
    std::function<void(const std::string& row, const std::string& path, const std::string& what)>;

// Takes every row through every path (as far as the filters let them
// through). The rows with the same job share their runs of RunJob, one file
// each in one tree. Stops after a number of failures.
void CheckRows(const std::vector<Row>& rows, const Report& report);

// Fills in the expected result of a row from the plain reference.
Row WithReferenceResult(Row row);

// A number from 0 to count - 1: seeded random numbers or a fuzzer's bytes.
using Choose = std::function<std::size_t(std::size_t count)>;

// What generated rows lean towards: the matching of the pairs (more and
// longer texts, lines near the length limit) or the lines of a file (line
// ends, blanks, empty lines, zero bytes).
enum class Focus { Matching, Lines };

// A job with generated replacement rows and line options.
Job GenerateJob(const Choose& choose, Focus focus);
// A file for `job`; always text (its few binary bytes never outweigh the rest).
std::string GenerateInput(const Choose& choose, const Job& job, Focus focus);

} // namespace harness
