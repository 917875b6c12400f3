#include "replacement_table.h"

#include "code_pages.h"
#include "escape_notation.h"
#include "utf8_case.h"

#include <algorithm>

namespace {

// Tables with more pairs than this get a start index.
constexpr std::size_t kIndexedTable = 8;

// Cuts `text` to at most `limit` bytes; in UTF-8 text never inside a character.
void CutText(std::string& text, std::size_t limit, bool utf8) {
    if (text.size() <= limit) {
        return;
    }
    std::size_t cut = limit;
    if (utf8) {
        while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    text.resize(cut);
}

} // namespace

void ReplacementTable::BuildIndex() {
    automaton_.reset();
    index_.reset();
    std::vector<std::string> texts;
    for (const ReplacementPair& pair : pairs) {
        texts.push_back(pair.search.text());
    }
    auto automaton = std::make_shared<PairAutomaton>();
    if (automaton->Build(
            texts,
            FoldTableFor(settings.capsLock && settings.code != CodeMode::Utf8, settings.code),
            settings.capsLock && settings.code == CodeMode::Utf8)) {
        automaton_ = std::move(automaton);
        return;
    }
    auto index = std::make_shared<StartIndex>();
    for (const ReplacementPair& pair : pairs) {
        index->Add(pair.search);
    }
    index_ = std::move(index);
}

bool PrepareText(std::string_view typed, bool isSearch, const Job& job, std::string& prepared) {
    std::string text;
    bool utf8 = job.code == CodeMode::Utf8;
    if (utf8) {
        text = std::string(typed);
    } else if (!Utf8ToAnsi(typed, text, job.code == CodeMode::Oem)) {
        return false;
    }
    CutText(text, kMaxPreparedText, utf8);
    if (job.expandEscape) {
        Velmor_DecodeString(text);
    }
    if (isSearch && job.capsLock) {
        if (utf8) {
            text = FoldUtf8Text(text);
        } else {
            AnsiToUpper(text);
        }
    }
    if (job.code == CodeMode::Oem) {
        AnsiToOem(text);
    }
    prepared = std::move(text);
    return true;
}

bool BuildReplacementTable(const Job& job, ReplacementTable& table, int* badRow, int* badColumn) {
    FreeReplacementTable(table);
    table.settings = LineMatchSettings{job.capsLock, job.code, job.position, job.positionColumn};
    const auto* fold = FoldTableFor(job.capsLock, job.code);
    for (std::size_t row = 0; row < job.replace.size(); ++row) {
        std::string search;
        std::string replacement;
        int column = -1;
        if (!PrepareText(job.replace[row].search, true, job, search)) {
            column = 0;
        } else if (!PrepareText(job.replace[row].replacement, false, job, replacement)) {
            column = 1;
        }
        if (column >= 0) {
            if (badRow) {
                *badRow = static_cast<int>(row);
            }
            if (badColumn) {
                *badColumn = column;
            }
            FreeReplacementTable(table);
            return false;
        }
        SearchPattern pattern = job.code == CodeMode::Utf8
                                    ? SearchPattern::Utf8(std::move(search), job.capsLock)
                                    : SearchPattern(std::move(search), fold);
        table.pairs.push_back(ReplacementPair{std::move(pattern), std::move(replacement)});
    }
    if (table.pairs.size() > kIndexedTable) {
        table.BuildIndex();
    }
    return true;
}

void FreeReplacementTable(ReplacementTable& table) {
    // The index goes with the pairs: left behind, it would find the texts
    // of the old pairs in a table rebuilt without one.
    table = ReplacementTable();
}

std::size_t FindSearchText(std::string_view line, std::size_t start, const ReplacementPair& pair) {
    return pair.search.Find(line, start);
}

bool AnchorOf(std::string_view line, std::size_t searchLength, const LineMatchSettings& settings,
              std::size_t& anchor) {
    switch (settings.position) {
    case PositionMode::LineStart:
        anchor = 0;
        return true;
    case PositionMode::LineEnd:
        if (line.size() < searchLength) {
            return false;
        }
        anchor = line.size() - searchLength;
        return true;
    case PositionMode::AtColumn: {
        long long column = static_cast<long long>(settings.positionColumn) - 1;
        if (column < 0) {
            return false;
        }
        if (settings.code != CodeMode::Utf8) {
            if (static_cast<unsigned long long>(column) >= line.size()) {
                return false;
            }
            anchor = static_cast<std::size_t>(column);
            return true;
        }
        // In UTF-8 text a column is a character (or a stray byte).
        std::size_t offset = 0;
        for (long long c = 0; c < column && offset < line.size(); ++c) {
            offset += Utf8UnitLength(line.substr(offset));
        }
        if (offset >= line.size()) {
            return false;
        }
        anchor = offset;
        return true;
    }
    default:
        return false;
    }
}

int ReplacePairInLine(std::string& line, std::size_t capacity, const ReplacementPair& pair,
                      const LineMatchSettings& settings) {
    const std::size_t searchLength = pair.searchLength();
    const std::size_t replacementLength = pair.replacementLength();
    if (line.empty() || searchLength == 0) {
        return 0;
    }
    bool anchored = settings.position == PositionMode::LineStart ||
                    settings.position == PositionMode::LineEnd ||
                    settings.position == PositionMode::AtColumn;
    std::size_t anchor = 0;
    if (anchored && !AnchorOf(line, searchLength, settings, anchor)) {
        return 0;
    }
    std::size_t scan = anchor;
    int count = 0;
    while (true) {
        std::size_t at;
        if (anchored) {
            // The first occurrence at or after the scan position counts only
            // when it begins exactly at the anchor.
            if (scan != anchor || !pair.search.MatchesAt(line, anchor)) {
                return count;
            }
            at = anchor;
        } else {
            at = pair.search.Find(line, scan);
            if (at == std::string::npos) {
                return count;
            }
        }
        if (line.size() - searchLength + replacementLength + 2 >= capacity) {
            return count;
        }
        line.replace(at, searchLength, pair.replacement);
        ++count;
        scan = at + replacementLength;
    }
}

int ReplaceInLine(std::string& line, std::size_t capacity, const ReplacementTable& table) {
    int total = 0;
    if (const PairAutomaton* automaton = table.automaton()) {
        // Only the pairs whose text stands in the line as it is now are
        // applied (what one pair inserts can be found by a later one).
        thread_local std::vector<std::uint32_t> found;
        automaton->Collect(line, found);
        std::size_t k = 0;
        while (k < found.size()) {
            std::uint32_t id = found[k];
            int count = ReplacePairInLine(line, capacity, table.pairs[id], table.settings);
            if (count > 0) {
                total += count;
                automaton->Collect(line, found);
                k = static_cast<std::size_t>(std::upper_bound(found.begin(), found.end(), id) -
                                             found.begin());
            } else {
                ++k;
            }
        }
        return total;
    }
    const StartIndex* index = table.index();
    if (index == nullptr) {
        for (const ReplacementPair& pair : table.pairs) {
            total += ReplacePairInLine(line, capacity, pair, table.settings);
        }
        return total;
    }
    // Many pairs: search only those whose start stands in the line as it is
    // now (what one pair inserts can start another).
    thread_local LineKeys keys;
    keys.Build(line);
    for (std::size_t i = 0; i < table.pairs.size(); ++i) {
        if (!keys.Has(index->perPair[i])) {
            continue;
        }
        int count = ReplacePairInLine(line, capacity, table.pairs[i], table.settings);
        if (count > 0) {
            total += count;
            keys.Build(line);
        }
    }
    return total;
}

bool MayReplaceInLine(std::string_view line, const ReplacementTable& table) {
    const LineMatchSettings& settings = table.settings;
    bool anchored = settings.position == PositionMode::LineStart ||
                    settings.position == PositionMode::LineEnd ||
                    settings.position == PositionMode::AtColumn;
    if (const PairAutomaton* automaton = table.automaton()) {
        return automaton->AnyIn(line);
    }
    if (const StartIndex* index = table.index()) {
        if (line.empty()) {
            return false;
        }
        if (settings.position == PositionMode::LineStart ||
            settings.position == PositionMode::AtColumn) {
            std::size_t anchor = 0;
            return AnchorOf(line, 1, settings, anchor) && AnyStartAt(*index, line, anchor);
        }
        for (std::size_t at = 0; at < line.size(); ++at) {
            if (AnyStartAt(*index, line, at)) {
                return true;
            }
        }
        return false;
    }
    for (const ReplacementPair& pair : table.pairs) {
        std::size_t length = pair.searchLength();
        if (length == 0 || line.size() < length) {
            continue;
        }
        if (anchored) {
            std::size_t anchor = 0;
            if (AnchorOf(line, length, settings, anchor) && pair.search.MatchesAt(line, anchor)) {
                return true;
            }
        } else if (pair.search.Find(line, 0) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}
