#include "utf8_case.h"

#include "code_pages.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>

namespace {

struct CaseMapping {
    std::uint32_t from;
    std::uint32_t to;
};

#include "utf8_case_table.inc"

const std::map<char32_t, std::vector<char32_t>>& VariantMap() {
    static const std::map<char32_t, std::vector<char32_t>> variants = [] {
        std::map<char32_t, std::vector<char32_t>> map;
        for (const CaseMapping& m : kUpperCaseMappings) {
            auto& list = map[m.to];
            if (list.empty()) {
                list.push_back(m.to);
            }
            list.push_back(m.from);
        }
        for (auto& [folded, list] : map) {
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }
        return map;
    }();
    return variants;
}

} // namespace

char32_t FoldUtf8Char(char32_t cp) {
    if (cp < 0x80) {
        return cp >= 'a' && cp <= 'z' ? cp - ('a' - 'A') : cp;
    }
    auto it = std::lower_bound(std::begin(kUpperCaseMappings), std::end(kUpperCaseMappings), cp,
                               [](const CaseMapping& m, char32_t value) { return m.from < value; });
    if (it != std::end(kUpperCaseMappings) && it->from == cp) {
        return it->to;
    }
    return cp;
}

const std::vector<char32_t>& FoldVariants(char32_t folded) {
    const auto& map = VariantMap();
    auto it = map.find(folded);
    if (it != map.end() && FoldUtf8Char(folded) == folded) {
        return it->second;
    }
    static thread_local std::vector<char32_t> single;
    single.assign(1, folded);
    if (FoldUtf8Char(folded) != folded) {
        single.clear(); // nothing folds to a character that itself folds elsewhere
    }
    return single;
}

std::size_t Utf8UnitLength(std::string_view text) {
    char32_t cp = 0;
    int length = DecodeUtf8(text, cp);
    return length > 0 ? static_cast<std::size_t>(length) : 1;
}

std::string FoldUtf8Text(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    while (!text.empty()) {
        char32_t cp = 0;
        int length = DecodeUtf8(text, cp);
        if (length == 0) {
            folded += text.front();
            text.remove_prefix(1);
            continue;
        }
        AppendUtf8(folded, FoldUtf8Char(cp));
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return folded;
}

bool IsUtf8Boundary(std::string_view text, std::size_t offset) {
    if (offset == 0 || offset >= text.size()) {
        return true;
    }
    if ((static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80) {
        return true;
    }
    // A continuation byte: inside a character if a valid sequence that starts
    // up to three bytes before covers it.
    for (std::size_t back = 1; back <= 3 && back <= offset; ++back) {
        std::size_t start = offset - back;
        unsigned char lead = static_cast<unsigned char>(text[start]);
        if ((lead & 0xC0) == 0x80) {
            continue;
        }
        char32_t cp = 0;
        int length = DecodeUtf8(text.substr(start), cp);
        return !(length > 0 && static_cast<std::size_t>(length) > back);
    }
    return true;
}
