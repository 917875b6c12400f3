// The fast search for one prepared search text: a vectorised filter on the
// first and last byte of the text (every byte that folds to them when case
// is ignored), then a comparison through the fold table.
#pragma once

#include "job.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The fold table that case-insensitive search compares through for `code`.
const std::array<std::uint8_t, 256>* FoldTableFor(bool capsLock, CodeMode code);
