// The start index of a large replacement table: the bytes every pair can
// start a match with, looked up per line before any pair is searched.
#pragma once

#include "search_pattern.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

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

    StartIndex() : anyPair(65536 / 64, 0) {}
    // Adds the next pair's search text.
    void Add(const SearchPattern& pattern);
};

// The byte pairs and single bytes of one line, for the start index. Kept per
// thread and cleared sparsely, so a short line costs little.
class LineKeys {
public:
    LineKeys() : pairs_(65536 / 64, 0) {}
    void Build(std::string_view line);
    bool Has(const StartIndex::Keys& keys) const;

private:
    std::vector<std::uint64_t> pairs_;
    std::vector<std::uint16_t> set_;
    std::array<std::uint64_t, 4> singles_{};
};

// True when a match of some pair of the index can start at `at`.
bool AnyStartAt(const StartIndex& index, std::string_view line, std::size_t at);
