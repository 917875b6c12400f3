// The replacement table of a run and the line operation that applies it.
//
// The rows of the job become prepared pairs once per run: each text is
// converted from the interface's Unicode to the file's coding, cut at 999
// bytes, its escape notation expanded (when that option is on), the search
// text upper-cased (when letter case is ignored) and, for DOS text, converted
// to code page 850. Per line, the work is then a plain byte search.
#pragma once

#include "job.h"
#include "pair_automaton.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxPreparedText = 999;
inline constexpr std::size_t kLineCapacity = 30000;

// A prepared search text with what the fast search needs.
class SearchPattern {
public:
    SearchPattern() = default;
    // `fold` maps every byte of the line before it is compared with `text`;
    // null compares bytes exactly.
    SearchPattern(std::string text, const std::array<std::uint8_t, 256>* fold);
    // A search text in UTF-8 text: a match starts and ends only between
    // characters; ignoring case, each character of the line is folded before
    // it is compared (`text` must already be folded then). Bytes that start no
    // valid character are compared exactly.
    static SearchPattern Utf8(std::string text, bool ignoreCase);

    const std::string& text() const { return text_; }
    // The byte pairs (for a text of one byte, or when case is ignored in
    // UTF-8 text: the single bytes) that a match of this text can start
    // with, as they stand in a line.
    void StartKeys(std::vector<std::uint16_t>& pairs, std::vector<std::uint8_t>& singles) const;
    std::size_t size() const { return text_.size(); }
    // The first position at or after `from` where the text stands in
    // `haystack`, or npos.
    std::size_t Find(std::string_view haystack, std::size_t from) const;
    // True when the text stands at `at`.
    bool MatchesAt(std::string_view haystack, std::size_t at) const;

private:
    std::string text_;
    const std::array<std::uint8_t, 256>* fold_ = nullptr;
    std::uint8_t firstVariants_[4] = {};
    std::uint8_t lastVariants_[4] = {};
    int firstCount_ = 0;
    int lastCount_ = 0;
    bool impossible_ = false; // a byte of the text that no line byte folds to
    bool utf8_ = false;
    bool utf8IgnoreCase_ = false;
};

struct ReplacementPair {
    SearchPattern search;
    std::string replacement;
    std::size_t searchLength() const { return search.size(); }
    std::size_t replacementLength() const { return replacement.size(); }
};

// How the pairs are matched: the run settings that ReplaceInLine reads.
struct LineMatchSettings {
    bool capsLock = false;
    CodeMode code = CodeMode::Ansi;
    PositionMode position = PositionMode::Anywhere;
    std::int32_t positionColumn = 0;
};

// The bytes every pair of a large table can start a match with, so that a
// line none of them occurs in is passed over at the cost of one look at its
// bytes, and a pair whose start is not in the line is not searched at all.
struct StartIndex {
    struct Keys {
        std::vector<std::uint16_t> pairs;
        std::vector<std::uint8_t> singles;
    };
    std::vector<std::uint64_t> anyPair;       // 65536 bits: some pair starts so
    std::array<std::uint64_t, 4> anySingle{}; // 256 bits
    std::vector<Keys> perPair;
};

class ReplacementTable {
public:
    std::vector<ReplacementPair> pairs;
    LineMatchSettings settings;
    bool empty() const { return pairs.empty(); }

    // Indexes the pairs for lines that are searched for many pairs at once:
    // an automaton that finds all texts in one pass, or, when that would be
    // too large, the start index. Must be rebuilt after the pairs change
    // (BuildReplacementTable does).
    void BuildIndex();
    const PairAutomaton* automaton() const { return automaton_.get(); }
    const StartIndex* index() const { return index_.get(); }

private:
    std::shared_ptr<const PairAutomaton> automaton_;
    std::shared_ptr<const StartIndex> index_;
};

// Prepares one typed text for the table (search text when `isSearch`).
// False when the text holds a character the coding cannot represent.
bool PrepareText(std::string_view typed, bool isSearch, const Job& job, std::string& prepared);

// Builds the table from the job's rows (replacements on or not: the caller
// decides whether to build). Returns the row and column of the first text
// that cannot be represented (row index, 0 search, 1 replacement) through
// `badRow`/`badColumn` and false; true when done.
bool BuildReplacementTable(const Job& job, ReplacementTable& table, int* badRow = nullptr,
                           int* badColumn = nullptr);
void FreeReplacementTable(ReplacementTable& table);

// The fold table that case-insensitive search compares through for `code`.
const std::array<std::uint8_t, 256>* FoldTableFor(bool capsLock, CodeMode code);

// Applies every pair in table order to `line` (the line without its line
// end, as it stands in a buffer of `capacity` bytes) and gives the number of
// replacements.
int ReplaceInLine(std::string& line, std::size_t capacity, const ReplacementTable& table);
// One pair on one line.
int ReplacePairInLine(std::string& line, std::size_t capacity, const ReplacementPair& pair,
                      const LineMatchSettings& settings);
// The first position at or after `start` where the pair's search text stands.
std::size_t FindSearchText(std::string_view line, std::size_t start, const ReplacementPair& pair);

// Where an anchored pair must match in `line` (the line start, the line end
// or the column; in UTF-8 text the column counts characters). False when the
// pair cannot match at all.
bool AnchorOf(std::string_view line, std::size_t searchLength, const LineMatchSettings& settings,
              std::size_t& anchor);

// True when some pair could change `line`: a necessary condition for
// ReplaceInLine to make a replacement, cheap to test.
bool MayReplaceInLine(std::string_view line, const ReplacementTable& table);
