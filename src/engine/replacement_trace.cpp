#include "replacement_trace.h"

#include <algorithm>

namespace {

// The part of `after` a literal pair changed: from its first occurrence in
// `before` (where the pair begins to replace) to the end of what it inserted
// (exact for one replacement; for more, up to the last byte that differs).
std::pair<std::size_t, std::size_t> LiteralChange(std::string_view before, std::string_view after,
                                                  const ReplacementPair& pair,
                                                  const LineMatchSettings& settings, int count) {
    std::size_t begin = 0;
    if (settings.position == PositionMode::Anywhere) {
        begin = pair.search.Find(before, 0);
    } else if (!AnchorOf(before, pair.searchLength(), settings, begin)) {
        begin = 0;
    }
    begin = std::min(begin, after.size());
    std::size_t end = std::min(begin + pair.replacementLength(), after.size());
    if (count > 1) {
        std::size_t suffix = 0;
        while (suffix < before.size() && suffix < after.size() - end &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
            ++suffix;
        }
        end = after.size() - suffix;
    }
    return {begin, end};
}

// True when `pair` has a match in `text` that overlaps [from, to) (or, for an
// empty range, touches the place where text was removed).
bool MatchesAcross(const ReplacementPair& pair, bool regex, std::string_view text, std::size_t from,
                   std::size_t to) {
    if (from == to) {
        from = from > 0 ? from - 1 : 0;
        to = std::min(to + 1, text.size());
    }
    if (!regex) {
        for (std::size_t at = pair.search.Find(text, 0); at != std::string_view::npos;
             at = pair.search.Find(text, at + 1)) {
            if (at >= to) {
                return false;
            }
            if (at + pair.searchLength() > from) {
                return true;
            }
        }
        return false;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t begin = 0;
        std::size_t end = 0;
        if (pair.regex->Match(text, start, false, false, false, begin, end) != MatchResult::Match ||
            begin >= to) {
            return false;
        }
        if (begin == end ? begin >= from : end > from) {
            return true;
        }
        start = end > begin ? end : begin + 1;
    }
    return false;
}

} // namespace

LineTrace TraceReplacements(std::string_view line, const ReplacementTable& table,
                            const LineSettings& lines) {
    LineTrace trace;
    if (lines.deleteEmptyLines && line.empty()) {
        trace.removed = true;
        return trace;
    }
    // The operations see the part before a zero byte; the rest stays.
    std::string_view prefix = line.substr(0, line.find('\0'));
    std::string work(prefix);
    bool lead = StripLeadingChars(work, lines.leadingStripChars);
    bool trail = StripTrailingChars(work, lines.trailingStripChars);
    trace.stripped = work;
    trace.strippedChanged = lead || trail;
    if (line.size() > kMaxReplaceableLine) {
        trace.tooLong = true;
        return trace;
    }
    for (std::size_t i = 0; i < table.pairs.size(); ++i) {
        const ReplacementPair& pair = table.pairs[i];
        PairStep step;
        std::string before = work;
        std::pair<std::size_t, std::size_t> changed;
        if (table.regex) {
            step.overLimit = ReplaceRegexPairInLine(work, kLineCapacity, pair, table.settings,
                                                    step.count, &changed) == MatchResult::Limit;
        } else {
            step.count = ReplacePairInLine(work, kLineCapacity, pair, table.settings);
            if (step.count > 0) {
                changed = LiteralChange(before, work, pair, table.settings, step.count);
            }
        }
        step.text = work;
        if (step.count > 0) {
            step.changedBegin = changed.first;
            step.changedEnd = changed.second;
            for (std::size_t j = i + 1; j < table.pairs.size(); ++j) {
                if (MatchesAcross(table.pairs[j], table.regex, work, step.changedBegin,
                                  step.changedEnd)) {
                    step.cascades.push_back(static_cast<int>(j));
                }
            }
        }
        trace.steps.push_back(std::move(step));
        if (trace.steps.back().overLimit) {
            break;
        }
    }
    return trace;
}
