// What a run changed in one file, line by line: the old lines (from the
// backup) beside the new ones (in the file). A run changes or removes lines
// and adds none of its own (only a replacement holding a line feed makes one
// line several), so the two are paired in one streaming pass: each old line
// is put through the run's line operations and must give the next new bytes
// (or nothing, when the operations removed it).
// Where the file no longer is what the run made of its backup (it was edited
// since), the pairing stops and a plain difference of the two takes its
// place. Never more than a line (and the read buffers) is held at a time.
#pragma once

#include "line_processor.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct LinePair {
    enum class Kind { Same, Changed, Removed, Added };
    Kind kind = Kind::Same;
    std::int64_t oldNumber = 0; // from 1; 0 for an added line
    std::int64_t newNumber = 0; // from 1; 0 for a removed line
    std::string oldText;        // without the line end
    std::string newText;        // may hold line feeds a replacement put there
    std::string oldEnding;      // the line end: "", "\n", "\r\n", ...
    std::string newEnding;
};

// Walks a changed file's backup (`oldPath`) and its content (`newPath`) side
// by side under the run's line operations.
class ChangeWalker {
public:
    // A line longer than `maxLine` bytes (old or new) ends the walk there
    // (see lineTooLong()), so that no more than that is ever held.
    ChangeWalker(const std::string& oldPath, const std::string& newPath, const LineSettings& lines,
                 std::size_t maxLine = std::numeric_limits<std::size_t>::max());
    ~ChangeWalker();
    ChangeWalker(const ChangeWalker&) = delete;
    ChangeWalker& operator=(const ChangeWalker&) = delete;

    // False when either file cannot be read.
    bool opened() const;
    // The next pair of lines (Same ones included); false at the end, or where
    // the new content stops being what the operations make of the old one
    // (see matches()).
    bool Next(LinePair& pair);
    // False once a line was found that the run did not write.
    bool matches() const { return matches_; }
    // True when the walk ended at a line longer than its limit.
    bool lineTooLong() const;
    // True when every kept line changed its line end the same way (the run
    // converted them): `from` and `to` name the most common old and the new
    // line end.
    bool EndingsConverted(std::string& from, std::string& to) const;

private:
    class LineSource;
    std::unique_ptr<LineSource> old_;
    std::unique_ptr<LineSource> new_;
    StringSink sink_;
    LineProcessor processor_;
    bool matches_ = true;
    std::int64_t oldNumber_ = 0;
    std::int64_t newNumber_ = 0;
    std::int64_t kept_ = 0;
    std::int64_t endingChanged_ = 0;
    std::string fromEnding_;
    std::string toEnding_;
};

// A plain line difference of two files, for a file edited after the run
// (Same, Removed and Added pairs). False when they are too large to compare
// (more than `limitBytes` together) or cannot be read.
bool PlainDifference(const std::string& oldPath, const std::string& newPath,
                     std::vector<LinePair>& pairs, std::size_t limitBytes = 16u << 20);

// The parts of `oldText` and `newText` that differ, as [begin, end) byte
// ranges of each (for highlighting a changed line).
struct ChangedSpans {
    std::vector<std::pair<std::size_t, std::size_t>> old;
    std::vector<std::pair<std::size_t, std::size_t>> now;
};
ChangedSpans SpansOfChange(std::string_view oldText, std::string_view newText);

// Writes the change of one file as a unified diff ("--- backup", "+++ file",
// hunks with `context` lines around each change) to `out`, line by line as
// the walk goes; `patch` applied to the old content gives the new one byte
// for byte. `oldLabel` and `newLabel` name the two files in the header.
class UnifiedDiffWriter {
public:
    UnifiedDiffWriter(std::string oldLabel, std::string newLabel, int context = 3);
    void Add(const LinePair& pair);
    // The rest of the last hunk. Gives the whole diff ("" when nothing changed).
    std::string Finish();

private:
    void AddPair(const LinePair& pair);
    void FlushHunk();
    static std::string Line(char mark, const std::string& text, const std::string& ending);
    static int LineCount(const std::string& text, const std::string& ending);

    std::string oldLabel_;
    std::string newLabel_;
    int context_;
    std::string out_;
    std::vector<LinePair> before_; // the last Same pairs before a change
    std::vector<LinePair> hunk_;
    int trailing_ = 0;               // Same pairs since the last change in the hunk
    std::int64_t lastNewSeen_ = 0;   // the number of the last new line added
    std::int64_t hunkNewBefore_ = 0; // the last new line before the open hunk
};
