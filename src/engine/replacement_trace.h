// What the chain of pairs does to one sample line, pair by pair, for the
// tester of the replacement list. It runs the same line operations and the
// same ReplacePairInLine / ReplaceRegexPairInLine as a run, and changes
// nothing.
#pragma once

#include "line_processor.h"
#include "replacement_table.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct PairStep {
    std::string text; // the line after this pair (bytes in the file's coding)
    int count = 0;    // replacements the pair made
    // The part of `text` that differs from the line before the pair (from the
    // first to the last byte that differs; empty where text was only removed).
    std::size_t changedBegin = 0;
    std::size_t changedEnd = 0;
    // Later pairs (indices) whose search text stands in `text` where this
    // pair changed it: what this pair wrote is replaced again.
    std::vector<int> cascades;
    bool overLimit = false; // the pattern exceeded its limits; later pairs were not applied
};

struct LineTrace {
    std::string stripped; // the line after the strips, before the pairs
    bool strippedChanged = false;
    bool removed = false; // an empty line that "delete empty lines" drops
    bool tooLong = false; // longer than 29,999 bytes: no pair is applied
    std::vector<PairStep> steps;
};

// Traces `line` (without its line end, bytes in the file's coding) through
// the strips of `lines` and every pair of `table`.
LineTrace TraceReplacements(std::string_view line, const ReplacementTable& table,
                            const LineSettings& lines);
