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
    if (regex) {
        return; // every pattern is matched on every line
    }
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

namespace {

// The number of characters in front of `offset` of a text in the coding.
std::size_t CharacterIndex(std::string_view text, std::size_t offset, CodeMode code) {
    if (code != CodeMode::Utf8) {
        return offset;
    }
    std::size_t characters = 0;
    for (std::size_t at = 0; at < offset && at < text.size();
         at += Utf8UnitLength(text.substr(at))) {
        ++characters;
    }
    return characters;
}

// Converts a text typed in the interface to the file's coding, cut at 999
// bytes (escape notation and case are left as typed). False when the coding
// cannot represent it.
bool ConvertText(std::string_view typed, const Job& job, std::string& converted) {
    bool utf8 = job.code == CodeMode::Utf8;
    if (utf8) {
        converted = std::string(typed);
    } else if (!Utf8ToAnsi(typed, converted, job.code == CodeMode::Oem)) {
        return false;
    }
    CutText(converted, kMaxPreparedText, utf8);
    if (job.code == CodeMode::Oem) {
        AnsiToOem(converted);
    }
    return true;
}

// The table of a job whose search texts are regular expressions: the rows
// are first all checked to be representable, then compiled in order.
bool BuildRegexTable(const Job& job, ReplacementTable& table, int* badRow, int* badColumn,
                     PatternProblem* problem) {
    std::vector<std::pair<std::string, std::string>> texts(job.replace.size());
    for (std::size_t row = 0; row < job.replace.size(); ++row) {
        int column = -1;
        if (!ConvertText(job.replace[row].search, job, texts[row].first)) {
            column = 0;
        } else if (!ConvertText(job.replace[row].replacement, job, texts[row].second)) {
            column = 1;
        }
        if (column >= 0) {
            if (badRow) {
                *badRow = static_cast<int>(row);
            }
            if (badColumn) {
                *badColumn = column;
            }
            return false;
        }
    }
    for (std::size_t row = 0; row < texts.size(); ++row) {
        auto pattern = std::make_shared<RegexPattern>();
        RegexProblem found;
        int column = -1;
        if (!pattern->Compile(texts[row].first, job.code, job.capsLock, found)) {
            column = 0;
        } else if (!pattern->SetReplacement(texts[row].second, job.expandEscape, found)) {
            column = 1;
        }
        if (column >= 0) {
            if (problem) {
                const std::string& text = column == 0 ? texts[row].first : texts[row].second;
                *problem = PatternProblem{static_cast<int>(row), column, found.reason,
                                          CharacterIndex(text, found.offset, job.code)};
            }
            return false;
        }
        ReplacementPair pair{SearchPattern(texts[row].first, nullptr), texts[row].second,
                             std::move(pattern), job.replace[row].search};
        table.pairs.push_back(std::move(pair));
    }
    table.regex = true;
    table.regexFiltered =
        std::all_of(table.pairs.begin(), table.pairs.end(),
                    [](const ReplacementPair& p) { return p.regex->HasFilter(); });
    return true;
}

} // namespace

bool BuildReplacementTable(const Job& job, ReplacementTable& table, int* badRow, int* badColumn,
                           PatternProblem* problem) {
    FreeReplacementTable(table);
    table.settings = LineMatchSettings{job.capsLock, job.code, job.position, job.positionColumn};
    if (job.regex) {
        if (!BuildRegexTable(job, table, badRow, badColumn, problem)) {
            FreeReplacementTable(table);
            return false;
        }
        return true;
    }
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
        table.pairs.push_back(
            ReplacementPair{std::move(pattern), std::move(replacement), nullptr, {}});
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

namespace {

// Where the scan goes on after an empty match that no non-empty one could
// replace: one byte on, in UTF-8 text also past the continuation bytes that
// follow (as PCRE2's own global substitution moves on).
std::size_t NextCharacter(std::string_view line, std::size_t at, bool utf8) {
    ++at;
    while (utf8 && at < line.size() && (static_cast<std::uint8_t>(line[at]) & 0xC0) == 0x80) {
        ++at;
    }
    return at;
}

int ReplaceRegexInLine(std::string& line, std::size_t capacity, const ReplacementTable& table,
                       int* failedPair) {
    int total = 0;
    for (std::size_t i = 0; i < table.pairs.size(); ++i) {
        int count = 0;
        if (ReplaceRegexPairInLine(line, capacity, table.pairs[i], table.settings, count) ==
            MatchResult::Limit) {
            if (failedPair) {
                *failedPair = static_cast<int>(i);
            }
            return total;
        }
        total += count;
    }
    return total;
}

} // namespace

MatchResult ReplaceRegexPairInLine(std::string& line, std::size_t capacity,
                                   const ReplacementPair& pair, const LineMatchSettings& settings,
                                   int& count, std::pair<std::size_t, std::size_t>* changed) {
    count = 0;
    const RegexPattern& regex = *pair.regex;
    thread_local std::string out;
    thread_local std::string inserted;
    std::size_t begin = 0;
    std::size_t end = 0;
    // The one match of an anchored position.
    if (settings.position != PositionMode::Anywhere) {
        std::size_t anchor = 0;
        bool atEnd = settings.position == PositionMode::LineEnd;
        if (!atEnd && !AnchorOf(line, 0, settings, anchor)) {
            return MatchResult::NoMatch;
        }
        MatchResult result = regex.Match(line, anchor, !atEnd, atEnd, false, begin, end);
        // In UTF-8 text PCRE2 takes the end of a run of valid characters
        // for the end of the line: such a match is passed over.
        while (atEnd && result == MatchResult::Match && end != line.size()) {
            anchor = NextCharacter(line, begin, regex.utf8());
            result = regex.Match(line, anchor, false, true, false, begin, end);
        }
        if (result != MatchResult::Match) {
            return result;
        }
        inserted.clear();
        regex.AppendReplacement(inserted, line);
        if (line.size() - (end - begin) + inserted.size() + 2 >= capacity) {
            return MatchResult::NoMatch;
        }
        line.replace(begin, end - begin, inserted);
        count = 1;
        if (changed) {
            *changed = {begin, begin + inserted.size()};
        }
        return MatchResult::Match;
    }
    // Every match from left to right. After an empty match the same place is
    // tried once more for a non-empty one, else the scan moves on by one
    // character (which is copied as it is).
    out.clear();
    std::size_t copied = 0;
    std::size_t length = line.size();
    std::size_t from = 0;
    bool afterEmpty = false;
    while (from <= line.size()) {
        MatchResult result = regex.Match(line, from, afterEmpty, false, afterEmpty, begin, end);
        if (result == MatchResult::Limit) {
            count = 0;
            return result;
        }
        if (result == MatchResult::NoMatch) {
            if (!afterEmpty || from >= line.size()) {
                break;
            }
            afterEmpty = false;
            from = NextCharacter(line, from, regex.utf8());
            continue;
        }
        inserted.clear();
        regex.AppendReplacement(inserted, line);
        // The replacement would make the line too long: this match and all
        // later ones of the pair stay as they are.
        if (length - (end - begin) + inserted.size() + 2 >= capacity) {
            break;
        }
        out.append(line, copied, begin - copied);
        if (changed) {
            changed->first = count == 0 ? out.size() : changed->first;
            changed->second = out.size() + inserted.size();
        }
        out += inserted;
        copied = end;
        length = length - (end - begin) + inserted.size();
        ++count;
        afterEmpty = end == begin;
        from = end;
    }
    if (count == 0) {
        return MatchResult::NoMatch;
    }
    out.append(line, copied, std::string::npos);
    line.swap(out);
    return MatchResult::Match;
}

bool AnyRegexIn(std::string_view line, const ReplacementTable& table) {
    std::size_t begin = 0;
    std::size_t end = 0;
    for (const ReplacementPair& pair : table.pairs) {
        if (pair.regex->Match(line, 0, false, false, false, begin, end) != MatchResult::NoMatch) {
            return true;
        }
    }
    return false;
}

int ReplaceInLine(std::string& line, std::size_t capacity, const ReplacementTable& table,
                  int* failedPair) {
    if (table.regex) {
        return ReplaceRegexInLine(line, capacity, table, failedPair);
    }
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
    if (table.regex) {
        return true;
    }
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
