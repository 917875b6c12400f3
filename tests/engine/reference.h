// A plain reference of the line operations, written straight from the
// algorithm with whole-string copies and no shortcuts, to check the fast
// engine against. Lines are split into characters (in UTF-8 text a byte that
// starts no valid character is one of its own), and positions, columns and
// matches are counted in them.
#pragma once

#include "job.h"

#include <string>
#include <vector>

namespace reference {

struct Pair {
    std::string search;      // prepared
    std::string replacement; // prepared
};

struct FileOutcome {
    std::string bytes;
    int lineChanges = 0;
    int replacements = 0;
    int emptyLinesRemoved = 0;
};

// The new content of a file and its counters under the line options and the
// position, coding and case setting of `job`, with `pairs` prepared from its
// rows (search texts folded already when case is ignored). With regular
// expressions, the search texts are the patterns and the replacements their
// templates, both converted to the coding but otherwise as typed.
FileOutcome Rewrite(const std::string& content, const Job& job, const std::vector<Pair>& pairs);

} // namespace reference
