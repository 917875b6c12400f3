#include "replacement_table.h"

#include "code_pages.h"
#include "escape_notation.h"
#include "utf8_case.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

std::array<std::uint8_t, 256> MakeOemFold() {
    std::array<std::uint8_t, 256> fold{};
    for (int b = 0; b < 256; ++b) {
        fold[static_cast<std::size_t>(b)] = codepage::kAnsiToOem
            [codepage::kAnsiUpper[codepage::kOemToAnsi[static_cast<std::size_t>(b)]]];
    }
    return fold;
}

const std::array<std::uint8_t, 256> kOemFold = MakeOemFold();

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

// Tables with more pairs than this get a start index.
constexpr std::size_t kIndexedTable = 8;

// The byte pairs and single bytes of one line, for the start index. Kept per
// thread and cleared sparsely, so a short line costs little.
class LineKeys {
public:
    LineKeys() : pairs_(65536 / 64, 0) {}
    void Build(std::string_view line) {
        for (std::uint16_t key : set_) {
            pairs_[key >> 6] = 0;
        }
        set_.clear();
        singles_ = {};
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
        for (std::size_t i = 0; i < line.size(); ++i) {
            singles_[bytes[i] >> 6] |= std::uint64_t{1} << (bytes[i] & 63);
            if (i + 1 < line.size()) {
                auto key = static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]);
                std::uint64_t bit = std::uint64_t{1} << (key & 63);
                if ((pairs_[key >> 6] & bit) == 0) {
                    pairs_[key >> 6] |= bit;
                    set_.push_back(key);
                }
            }
        }
    }
    bool Has(const StartIndex::Keys& keys) const {
        for (std::uint16_t key : keys.pairs) {
            if (pairs_[key >> 6] & (std::uint64_t{1} << (key & 63))) {
                return true;
            }
        }
        for (std::uint8_t key : keys.singles) {
            if (singles_[key >> 6] & (std::uint64_t{1} << (key & 63))) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::uint64_t> pairs_;
    std::vector<std::uint16_t> set_;
    std::array<std::uint64_t, 4> singles_{};
};

// True when a match of some pair of the index can start at `at`.
bool AnyStartAt(const StartIndex& index, std::string_view line, std::size_t at) {
    auto byte = static_cast<std::uint8_t>(line[at]);
    if (index.anySingle[byte >> 6] & (std::uint64_t{1} << (byte & 63))) {
        return true;
    }
    if (at + 1 < line.size()) {
        auto key = static_cast<std::uint16_t>(byte << 8 | static_cast<std::uint8_t>(line[at + 1]));
        return (index.anyPair[key >> 6] & (std::uint64_t{1} << (key & 63))) != 0;
    }
    return false;
}

inline unsigned CountTrailingZeros(unsigned value) {
    return static_cast<unsigned>(__builtin_ctz(value));
}

} // namespace

const std::array<std::uint8_t, 256>* FoldTableFor(bool capsLock, CodeMode code) {
    if (!capsLock) {
        return nullptr;
    }
    if (code == CodeMode::Oem) {
        return &kOemFold;
    }
    return &codepage::kAnsiUpper;
}

SearchPattern::SearchPattern(std::string text, const std::array<std::uint8_t, 256>* fold)
    : text_(std::move(text)), fold_(fold) {
    if (text_.empty()) {
        return;
    }
    auto collect = [&](std::uint8_t wanted, std::uint8_t* variants, int& count) {
        count = 0;
        for (int b = 0; b < 256; ++b) {
            auto byte = static_cast<std::uint8_t>(b);
            std::uint8_t folded = fold_ ? (*fold_)[byte] : byte;
            if (folded == wanted) {
                if (count == 4) {
                    count = -1; // too many: the fast filter is not used
                    return;
                }
                variants[count++] = byte;
            }
        }
    };
    collect(static_cast<std::uint8_t>(text_.front()), firstVariants_, firstCount_);
    collect(static_cast<std::uint8_t>(text_.back()), lastVariants_, lastCount_);
    if (fold_ != nullptr) {
        for (char c : text_) {
            bool reachable = false;
            for (int b = 0; b < 256 && !reachable; ++b) {
                reachable = (*fold_)[static_cast<std::size_t>(b)] == static_cast<std::uint8_t>(c);
            }
            impossible_ = impossible_ || !reachable;
        }
    }
}

SearchPattern SearchPattern::Utf8(std::string text, bool ignoreCase) {
    SearchPattern pattern;
    pattern.text_ = std::move(text);
    pattern.utf8_ = true;
    pattern.utf8IgnoreCase_ = ignoreCase;
    if (pattern.text_.empty()) {
        return pattern;
    }
    std::string_view view = pattern.text_;
    // The first and the last character (or stray byte) of the text.
    std::size_t lastStart = 0;
    for (std::size_t i = 0; i < view.size(); i += Utf8UnitLength(view.substr(i))) {
        lastStart = i;
    }
    auto addVariants = [&](std::string_view unit, bool first, std::uint8_t* variants, int& count) {
        count = 0;
        auto add = [&](std::uint8_t byte) {
            for (int k = 0; k < count; ++k) {
                if (variants[k] == byte) {
                    return;
                }
            }
            if (count == 4 || count < 0) {
                count = -1;
                return;
            }
            variants[count++] = byte;
        };
        char32_t cp = 0;
        int length = DecodeUtf8(unit, cp);
        if (!ignoreCase || length == 0) {
            add(static_cast<std::uint8_t>(first ? unit.front() : unit.back()));
            return;
        }
        for (char32_t variant : FoldVariants(cp)) {
            std::string encoded;
            AppendUtf8(encoded, variant);
            add(static_cast<std::uint8_t>(first ? encoded.front() : encoded.back()));
        }
        if (count == 0) {
            pattern.impossible_ = true;
        }
    };
    std::string_view firstUnit = view.substr(0, Utf8UnitLength(view));
    std::string_view lastUnit = view.substr(lastStart);
    addVariants(firstUnit, true, pattern.firstVariants_, pattern.firstCount_);
    addVariants(lastUnit, false, pattern.lastVariants_, pattern.lastCount_);
    return pattern;
}

bool SearchPattern::MatchesAt(std::string_view haystack, std::size_t at) const {
    std::size_t n = text_.size();
    if (n == 0 || at > haystack.size() || haystack.size() - at < n) {
        return false;
    }
    if (utf8_) {
        if (!IsUtf8Boundary(haystack, at) || !IsUtf8Boundary(haystack, at + n)) {
            return false;
        }
        if (!utf8IgnoreCase_) {
            return std::memcmp(haystack.data() + at, text_.data(), n) == 0;
        }
        std::string_view line = haystack.substr(at, n);
        std::string_view search = text_;
        while (!search.empty()) {
            char32_t wanted = 0;
            int searchLength = DecodeUtf8(search, wanted);
            if (searchLength == 0) {
                if (line.empty() || line.front() != search.front()) {
                    return false;
                }
                line.remove_prefix(1);
                search.remove_prefix(1);
                continue;
            }
            char32_t found = 0;
            int lineLength = DecodeUtf8(line, found);
            if (lineLength != searchLength || FoldUtf8Char(found) != wanted) {
                return false;
            }
            line.remove_prefix(static_cast<std::size_t>(lineLength));
            search.remove_prefix(static_cast<std::size_t>(searchLength));
        }
        return true;
    }
    const auto* h = reinterpret_cast<const std::uint8_t*>(haystack.data()) + at;
    const auto* t = reinterpret_cast<const std::uint8_t*>(text_.data());
    if (fold_ == nullptr) {
        return std::memcmp(h, t, n) == 0;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if ((*fold_)[h[k]] != t[k]) {
            return false;
        }
    }
    return true;
}

std::size_t SearchPattern::Find(std::string_view haystack, std::size_t from) const {
    const std::size_t n = text_.size();
    const std::size_t size = haystack.size();
    if (n == 0 || impossible_ || from > size || size - from < n) {
        return std::string_view::npos;
    }
    const std::size_t lastStart = size - n; // the last position a match can start at
    std::size_t i = from;
    if (fold_ == nullptr && n == 1 && !utf8_) {
        const void* hit = std::memchr(haystack.data() + from, text_[0], size - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data())
                   : std::string_view::npos;
    }
#if defined(__SSE2__)
    if (firstCount_ > 0 && lastCount_ > 0) {
        const char* base = haystack.data();
        __m128i first[4];
        __m128i last[4];
        for (int k = 0; k < firstCount_; ++k) {
            first[k] = _mm_set1_epi8(static_cast<char>(firstVariants_[k]));
        }
        for (int k = 0; k < lastCount_; ++k) {
            last[k] = _mm_set1_epi8(static_cast<char>(lastVariants_[k]));
        }
        // Compare 16 candidate start positions at once: their first byte and
        // the byte where their last byte would be; check only where both fit.
        while (i + 16 <= lastStart + 1) {
            __m128i blockFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
            __m128i blockLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + n - 1));
            __m128i eqFirst = _mm_cmpeq_epi8(blockFirst, first[0]);
            for (int k = 1; k < firstCount_; ++k) {
                eqFirst = _mm_or_si128(eqFirst, _mm_cmpeq_epi8(blockFirst, first[k]));
            }
            __m128i eqLast = _mm_cmpeq_epi8(blockLast, last[0]);
            for (int k = 1; k < lastCount_; ++k) {
                eqLast = _mm_or_si128(eqLast, _mm_cmpeq_epi8(blockLast, last[k]));
            }
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(eqFirst, eqLast)));
            while (mask != 0) {
                std::size_t candidate = i + CountTrailingZeros(mask);
                if (MatchesAt(haystack, candidate)) {
                    return candidate;
                }
                mask &= mask - 1;
            }
            i += 16;
        }
    } else if (firstCount_ == 0 || lastCount_ == 0) {
        return std::string_view::npos;
    }
#endif
    for (; i <= lastStart; ++i) {
        if (MatchesAt(haystack, i)) {
            return i;
        }
    }
    return std::string_view::npos;
}

void SearchPattern::StartKeys(std::vector<std::uint16_t>& pairs,
                              std::vector<std::uint8_t>& singles) const {
    pairs.clear();
    singles.clear();
    if (text_.empty() || impossible_) {
        return;
    }
    // The line bytes that stand for one byte of the text.
    auto variants = [&](std::uint8_t wanted) {
        std::vector<std::uint8_t> bytes;
        for (int b = 0; b < 256; ++b) {
            auto byte = static_cast<std::uint8_t>(b);
            if ((fold_ ? (*fold_)[byte] : byte) == wanted) {
                bytes.push_back(byte);
            }
        }
        return bytes;
    };
    if (utf8_ && utf8IgnoreCase_) {
        // Folding works on whole characters: only the first byte of the
        // first character's forms is known.
        for (int k = 0; k < firstCount_; ++k) {
            singles.push_back(firstVariants_[k]);
        }
        if (firstCount_ < 0) {
            for (int b = 0; b < 256; ++b) {
                singles.push_back(static_cast<std::uint8_t>(b));
            }
        }
        return;
    }
    std::vector<std::uint8_t> first = variants(static_cast<std::uint8_t>(text_[0]));
    if (text_.size() == 1) {
        singles = first;
        return;
    }
    std::vector<std::uint8_t> second = variants(static_cast<std::uint8_t>(text_[1]));
    for (std::uint8_t a : first) {
        for (std::uint8_t b : second) {
            pairs.push_back(static_cast<std::uint16_t>(a << 8 | b));
        }
    }
}

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
    index->anyPair.assign(65536 / 64, 0);
    index->perPair.resize(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        StartIndex::Keys& keys = index->perPair[i];
        pairs[i].search.StartKeys(keys.pairs, keys.singles);
        for (std::uint16_t key : keys.pairs) {
            index->anyPair[key >> 6] |= std::uint64_t{1} << (key & 63);
        }
        for (std::uint8_t key : keys.singles) {
            index->anySingle[key >> 6] |= std::uint64_t{1} << (key & 63);
        }
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
