// A search text taken as a regular expression (PCRE2, 8-bit, compiled to
// machine code where the library can) with its replacement template.
//
// The pattern is matched against the bytes of the line in the file's coding:
// UTF-8 text in PCRE2's UTF mode (a byte that starts no valid character is
// never part of a match); the single-byte codings with character tables
// whose case pairs are the letters the literal search folds in that code
// page, so that ignoring case treats the same letters alike.
//
// Every match runs under a step limit and a depth limit: a pattern that
// backtracks without end on some line gives MatchResult::Limit instead of
// hanging the run.
#pragma once

#include "job.h"
#include "search_pattern.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct RegexCode; // the compiled pattern, owned through a unique_ptr

enum class MatchResult { NoMatch, Match, Limit };

// Why a pattern or its replacement cannot be used: PCRE2's reason (English,
// as the library gives it) and the byte offset in the text at which it was
// found.
struct RegexProblem {
    std::string reason;
    std::size_t offset = 0;
};

class RegexPattern {
public:
    RegexPattern();
    ~RegexPattern();
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    // Compiles `pattern` (bytes in the coding `code`); false with the
    // problem when it is no valid expression.
    bool Compile(std::string_view pattern, CodeMode code, bool ignoreCase, RegexProblem& problem);
    // Reads the replacement template (bytes in the file's coding, before
    // expansion of the escape notation): $1 to $99 (at most two digits),
    // ${n} and ${name} insert a group, $$ a dollar sign, and any other '$'
    // stands for itself. The literal parts get the escape notation expanded
    // when `expandEscape` is on. False with the problem when the template
    // names a group the pattern does not have, or a '${' is not closed.
    bool SetReplacement(std::string_view replacement, bool expandEscape, RegexProblem& problem);

    // Looks for a match that starts at or after `start` (with
    // `anchored`: exactly at `start`; with `endAnchored`: ending at the end of
    // `subject`; with `notEmptyAtStart`: not an empty match at `start`).
    // On a match, [begin, end) is its range and the groups are kept for
    // AppendReplacement, until the next Match on this thread.
    MatchResult Match(std::string_view subject, std::size_t start, bool anchored, bool endAnchored,
                      bool notEmptyAtStart, std::size_t& begin, std::size_t& end) const;
    // Appends the replacement for the last match of this thread in `subject`
    // (the same subject Match was given). A group that took no part in the
    // match inserts nothing.
    void AppendReplacement(std::string& out, std::string_view subject) const;

    // A literal text every match begins with (the pattern's own start), or
    // else a byte every match holds (in either case where case may be
    // ignored), when one is known: a line without it cannot match.
    bool HasFilter() const { return prefix_.size() > 0 || filterCount_ > 0; }
    // The first position at or after `from` where that text or byte stands,
    // or npos.
    std::size_t FindCandidate(std::string_view text, std::size_t from) const;

    bool utf8() const { return utf8_; }
    std::uint32_t groupCount() const { return groups_; }

private:
    struct Part {
        std::string literal; // inserted as it stands when group < 0
        int group = -1;
    };
    void SetFilter(std::string_view pattern, CodeMode code, bool ignoreCase);
    void SetPrefix(std::string_view pattern, CodeMode code, bool ignoreCase);

    std::unique_ptr<RegexCode> code_;
    std::vector<Part> parts_;
    std::uint32_t groups_ = 0;
    bool utf8_ = false;
    unsigned char filter_[2] = {};
    int filterCount_ = 0;
    // The literal text every match begins with, when the pattern starts with
    // one (searched like a literal search text; empty: none).
    SearchPattern prefix_;
};

// The 1088-byte PCRE2 character tables used for a single-byte coding (C
// locale character types; case pairs of the code page). Exposed for tests.
const std::uint8_t* RegexTablesFor(CodeMode code);

// PCRE2's text for one of its error codes.
std::string RegexErrorText(int errorCode);
