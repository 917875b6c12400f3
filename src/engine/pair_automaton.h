// Finds, in one pass over a line, which of many search texts occur in it
// (an Aho-Corasick automaton over the folded bytes), so a table of
// thousands of pairs costs per line about what one search costs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class PairAutomaton {
public:
    // Builds the automaton over `texts` (prepared search texts, already
    // folded when case is ignored). `fold` maps line bytes before they are
    // compared (null: exact); with `utf8IgnoreCase` lines are folded per
    // character first. False, and nothing usable, when the automaton would
    // take more than about 64 MB.
    bool Build(const std::vector<std::string>& texts, const std::array<std::uint8_t, 256>* fold,
               bool utf8IgnoreCase);

    // The indices of the texts that occur in `line`, ascending, each once.
    void Collect(std::string_view line, std::vector<std::uint32_t>& found) const;
    // True when any text occurs in `line`.
    bool AnyIn(std::string_view line) const;

private:
    template <typename Visit> void Scan(std::string_view line, Visit&& visit) const;

    std::array<std::uint16_t, 256> classOf_{}; // line byte (folded) -> input class
    std::size_t classes_ = 1;
    std::vector<std::int32_t> next_;       // state * classes_ + class -> state
    std::vector<std::int32_t> textAt_;     // state -> a text ending there, or -1
    std::vector<std::int32_t> outputLink_; // state -> nearest suffix state ending a text
    std::vector<std::int32_t> sameText_;   // text -> next text with the same bytes, or -1
    const std::array<std::uint8_t, 256>* fold_ = nullptr;
    bool utf8IgnoreCase_ = false;
    std::size_t texts_ = 0;
};
