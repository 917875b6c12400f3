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
#include "regex_pattern.h"
#include "search_pattern.h"
#include "start_index.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::size_t kMaxPreparedText = 999;
inline constexpr std::size_t kLineCapacity = 30000;

struct ReplacementPair {
    SearchPattern search;
    std::string replacement;
    // In a table of regular expressions: the compiled pattern (the search
    // text above holds its bytes, the replacement its template) and the
    // search text as the user typed it, for messages.
    std::shared_ptr<const RegexPattern> regex;
    std::string typedSearch;
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

class ReplacementTable {
public:
    std::vector<ReplacementPair> pairs;
    LineMatchSettings settings;
    // The search texts are regular expressions (every pair has its regex).
    bool regex = false;
    // Every pattern has a filter byte (RegexPattern::HasFilter).
    bool regexFiltered = false;
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

// Why a table of regular expressions cannot be built: the row whose search
// text is no valid pattern (column 0), or whose replacement names a group the
// pattern lacks (column 1), with PCRE2's reason and the character (counted
// from 0 in the text as typed) at which it was found.
struct PatternProblem {
    int row = -1;
    int column = 0;
    std::string reason;
    std::size_t character = 0;
};

// Builds the table from the job's rows (replacements on or not: the caller
// decides whether to build). Every text is first checked to be representable
// in the coding; the first that is not gives its row and column (0 search,
// 1 replacement) through `badRow`/`badColumn` and false. With regular
// expressions, the patterns are then compiled in row order; the first that
// fails gives `problem` (row set) and false. True when done.
bool BuildReplacementTable(const Job& job, ReplacementTable& table, int* badRow = nullptr,
                           int* badColumn = nullptr, PatternProblem* problem = nullptr);
void FreeReplacementTable(ReplacementTable& table);

// Applies every pair in table order to `line` (the line without its line
// end, as it stands in a buffer of `capacity` bytes) and gives the number of
// replacements. When a regular expression exceeds its matching limits,
// `failedPair` (if given) gets its index and the pairs after it are not
// applied; the caller must then leave the file as it is.
int ReplaceInLine(std::string& line, std::size_t capacity, const ReplacementTable& table,
                  int* failedPair = nullptr);
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
// ReplaceInLine to make a replacement, cheap to test. A table of regular
// expressions matches its patterns here only for lines too long to replace
// in (whose search texts are counted); for others it says true and
// ReplaceInLine decides.
bool MayReplaceInLine(std::string_view line, const ReplacementTable& table);

// One regular expression on one line: every match from left to right
// (anywhere), or the one match that starts at the line start or the column,
// or ends at the line end. MatchResult::Limit when the pattern exceeded its
// limits (the line is then unchanged and `count` is 0).
// `changed`, when given, gets the range of the new line from the start of
// the first match to the end of the last text inserted.
MatchResult ReplaceRegexPairInLine(std::string& line, std::size_t capacity,
                                   const ReplacementPair& pair, const LineMatchSettings& settings,
                                   int& count,
                                   std::pair<std::size_t, std::size_t>* changed = nullptr);
// True when some pattern of the table matches somewhere in `line` (a
// pattern over its limits counts as matching).
bool AnyRegexIn(std::string_view line, const ReplacementTable& table);
