// A plain reference of the line operations, written straight from the
// algorithm with whole-string copies and no shortcuts, to check the fast
// engine against on generated input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

struct Pair {
    std::string search;      // prepared
    std::string replacement; // prepared
};

struct Settings {
    bool capsLock = false;
    int code = 1;
    int position = 1;
    std::int32_t column = 0;
};

int ReplacePairInLine(std::string& line, std::size_t capacity, const Pair& pair,
                      const Settings& settings);
int ReplaceInLine(std::string& line, std::size_t capacity, const std::vector<Pair>& pairs,
                  const Settings& settings);

// The same for UTF-8 text, on whole characters: the line is split into
// characters (a byte that starts no valid character is one of its own) and
// positions, columns and matches are counted in them. The search text must be
// folded already when case is ignored.
int ReplaceInLineUtf8(std::string& line, std::size_t capacity, const std::vector<Pair>& pairs,
                      const Settings& settings);

struct FileOptions {
    bool deleteEmptyLines = false;
    std::string leading;
    std::string trailing;
    bool keepLineEnds = false;
    std::vector<Pair> pairs;
    Settings settings;
};

struct FileOutcome {
    std::string bytes;
    int lineChanges = 0;
    int replacements = 0;
    int emptyLinesRemoved = 0;
};

// The new content of a file and its counters.
FileOutcome Rewrite(const std::string& content, const FileOptions& options);

} // namespace reference
