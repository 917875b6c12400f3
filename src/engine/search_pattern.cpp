#include "search_pattern.h"

#include "code_pages.h"
#include "utf8_case.h"

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
