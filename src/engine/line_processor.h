// The line operations of a run, applied to a file's bytes as they stream in.
//
// A line runs to its line feed (a file with carriage returns only is one
// line; a final line feed adds no empty line; a last line without one is
// still a line). Per line, in this order:
//   1. every CR and LF at its end is taken off (no change in itself);
//   2. an empty line is left out when empty lines are deleted;
//   3. the leading strip, 4. the trailing strip, 5. the replacements, each
//      counting one line change when it changed something;
//   6. the line is written with CR LF (or, keeping line ends, with the very
//      bytes taken off in step 1).
// The operations see the part of a line before its first zero byte; the rest
// is written unchanged behind it. A line longer than 29,999 bytes gets no
// replacement; lines of any length are handled whole, and very long ones are
// streamed with bounded memory.
#pragma once

#include "replacement_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct LineSettings {
    bool deleteEmptyLines = false;
    std::string leadingStripChars;  // ' ' and/or '\t'
    std::string trailingStripChars; // ' ' and/or '\t'
    bool keepLineEnds = false;
    const ReplacementTable* table = nullptr; // null or empty: no replacements
};

// No operation at all (for showing a run's changes without its settings).
inline const LineSettings kNoLineOperations{};

struct FileCounters {
    std::int32_t lineChanges = 0;
    std::int32_t replacements = 0;
    std::int32_t emptyLinesRemoved = 0;
    // Lines too long for replacements in which a search text stands (they
    // are left as they are; the user is told).
    std::int32_t longLines = 0;
    // The pair whose regular expression ran over its matching limits in some
    // line (-1: none). Processing stopped there; the file must stay as it is.
    std::int32_t failedPair = -1;
    bool Changed() const { return lineChanges != 0 || emptyLinesRemoved != 0; }
};

// Receives the bytes of the new file.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Takes back the last `bytes` bytes written (never more than were
    // written). A long line's trailing blanks are written as they come and
    // taken back when the line ends with them, so they are never held.
    virtual void Retract(std::size_t bytes) = 0;
};

// A sink that collects the bytes in a string.
class StringSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    void Retract(std::size_t bytes) override { text.resize(text.size() - bytes); }
    std::string text;
};

// Longest line content that replacements apply to.
inline constexpr std::size_t kMaxReplaceableLine = 29999;

class LineProcessor {
public:
    // Without a sink the processor only looks: it stops at the first change
    // (Done() turns true) and writes nothing.
    LineProcessor(const LineSettings& settings, ByteSink* sink);

    // Feeds the next bytes of the file. After Done() further bytes are ignored.
    void Feed(std::string_view bytes);
    // Ends the file: the last line (if any) is processed.
    void Finish();

    bool Done() const { return done_; }
    const FileCounters& counters() const { return counters_; }

    // Lines whose content grows beyond this many bytes are streamed instead of
    // being held whole (tests lower it to compare the two ways).
    void SetLongLineThreshold(std::size_t bytes) { longLineThreshold_ = bytes; }

private:
    void ProcessLine(std::string_view line, bool hasLineFeed);
    void ScanForChange(std::string_view bytes, std::size_t& pos);
    void StreamLongLine(std::string_view bytes, bool endOfLine, bool hasLineFeed);
    void BeginStreamedLine();
    void SearchStreamed(std::string_view bytes, bool last);
    std::size_t StripLeadingStreamed(std::string_view bytes);
    void StreamSpecial(char c);
    void StripHeldBlanks();
    void CommitHeld();
    void FlushCarriageReturns();
    void WriteCarriageReturns(std::uint64_t count);
    void EndStreamedLine(bool hasLineFeed);
    void EmitLineEnd(std::string_view ending);
    void Write(std::string_view bytes);
    void NoteChange();
    bool QuickScanUsable() const;

    LineSettings settings_;
    ByteSink* sink_;
    FileCounters counters_;
    bool done_ = false;
    std::string carry_; // the start of a line that continues in the next bytes
    std::size_t longLineThreshold_ = 4 * 1024 * 1024;

    // State of a line that is being streamed: the blanks at its end so far
    // are written but may be taken back, and the carriage returns after them
    // are only counted, as they may be its line end. Memory stays the same
    // whatever the length of either run.
    bool streaming_ = false;
    bool stripping_ = false;  // still skipping leading strip characters
    bool inRest_ = false;     // past the line's first zero byte
    bool hadContent_ = false; // a byte other than the line end was seen
    bool leadingStripped_ = false;
    bool longHit_ = false; // a search text stands in the streamed line
    std::string longTail_; // its last bytes, where a text may begin
    std::string longSeam_; // the tail and the next piece's first bytes
    std::size_t longestSearch_ = 0;
    std::uint64_t heldBlanks_ = 0;      // trailing strip characters that may go
    std::uint64_t carriageReturns_ = 0; // not yet written
    std::array<bool, 256> special_{};   // bytes the streamed line stops at
    std::string work_;                  // scratch line
};

// The weight of every byte value in the text test.
int TextWeight(unsigned char byte);
// The text test over the first bytes of a file (at most 128 are weighed):
// true when the sum of the weights is 0 or more.
bool LooksLikeText(std::string_view firstBytes);

// Removes the run of `set` characters at the start (end) of `line`; true when
// anything was removed. An empty line or an empty set removes nothing.
bool StripLeadingChars(std::string& line, std::string_view set);
bool StripTrailingChars(std::string& line, std::string_view set);
