#include "reference.h"

#include "code_pages.h"
#include "utf8_case.h"

#include <array>

namespace reference {

namespace {

// A character: in the single-byte codings one byte; in UTF-8 text a whole
// character, or a byte that starts none (which only ever equals itself).
struct Unit {
    std::size_t offset;
    std::size_t length;
    char32_t value;  // the byte or the code point
    char32_t folded; // its upper case
    bool valid;
};

std::vector<Unit> Units(std::string_view text, CodeMode code) {
    // The single-byte upper case, through code page 1252 for DOS text.
    static const auto fold = [](CodeMode c) {
        std::array<unsigned char, 256> table{};
        for (int b = 0; b < 256; ++b) {
            std::string byte(1, static_cast<char>(b));
            if (c == CodeMode::Oem) {
                OemToAnsi(byte);
            }
            AnsiToUpper(byte);
            if (c == CodeMode::Oem) {
                AnsiToOem(byte);
            }
            table[static_cast<std::size_t>(b)] = static_cast<unsigned char>(byte[0]);
        }
        return table;
    };
    static const std::array<unsigned char, 256> ansi = fold(CodeMode::Ansi);
    static const std::array<unsigned char, 256> oem = fold(CodeMode::Oem);
    std::vector<Unit> units;
    for (std::size_t offset = 0; offset < text.size(); offset += units.back().length) {
        char32_t cp = 0;
        int length = code == CodeMode::Utf8 ? DecodeUtf8(text.substr(offset), cp) : 0;
        auto byte = static_cast<unsigned char>(text[offset]);
        if (length > 0) {
            units.push_back({offset, static_cast<std::size_t>(length), cp, FoldUtf8Char(cp), true});
        } else {
            units.push_back({offset, 1, byte, (code == CodeMode::Oem ? oem : ansi)[byte],
                             code != CodeMode::Utf8});
        }
    }
    return units;
}

// Whether `search` stands at unit `at` of `line`; ignoring case, each
// character of the line is compared in upper case with the search text
// (upper-cased already).
bool Matches(std::string_view line, const std::vector<Unit>& units, std::size_t at,
             std::string_view search, const std::vector<Unit>& searchUnits, bool ignoreCase) {
    if (at + searchUnits.size() > units.size()) {
        return false;
    }
    for (std::size_t k = 0; k < searchUnits.size(); ++k) {
        const Unit& l = units[at + k];
        const Unit& s = searchUnits[k];
        if (!ignoreCase || !s.valid
                ? line.substr(l.offset, l.length) != search.substr(s.offset, s.length)
                : !l.valid || l.folded != s.value) {
            return false;
        }
    }
    return true;
}

// One pair on one line: positions, columns and the anchor are counted in
// characters, the length rule in bytes.
int ReplacePair(std::string& line, const Pair& pair, const Job& job) {
    const std::vector<Unit> search = Units(pair.search, job.code);
    std::vector<Unit> units = Units(line, job.code);
    if (line.empty() || search.empty()) {
        return 0;
    }
    const bool anchored = job.position != PositionMode::Anywhere;
    long long anchor = 0;
    if (job.position == PositionMode::LineEnd) {
        anchor = static_cast<long long>(units.size()) - static_cast<long long>(search.size());
    } else if (job.position == PositionMode::AtColumn) {
        anchor = static_cast<long long>(job.positionColumn) - 1;
    }
    if (anchor < 0 || anchor >= static_cast<long long>(units.size())) {
        return 0;
    }
    const std::size_t anchorByte = units[static_cast<std::size_t>(anchor)].offset;
    std::size_t scan = anchored ? anchorByte : 0;
    int count = 0;
    while (true) {
        std::size_t u = 0;
        while (u < units.size() && (units[u].offset < scan ||
                                    !Matches(line, units, u, pair.search, search, job.capsLock))) {
            ++u;
        }
        if (u == units.size() || (anchored && units[u].offset > anchorByte)) {
            return count;
        }
        std::size_t at = units[u].offset;
        if (line.size() - pair.search.size() + pair.replacement.size() + 2 >= 30000) {
            return count;
        }
        line = line.substr(0, at) + pair.replacement + line.substr(at + pair.search.size());
        ++count;
        scan = at + pair.replacement.size();
        units = Units(line, job.code);
    }
}

} // namespace

FileOutcome Rewrite(const std::string& content, const Job& job, const std::vector<Pair>& pairs) {
    const std::string leading = std::string(job.stripLeadingSpaces ? " " : "") +
                                std::string(job.stripLeadingTabs ? "\t" : "");
    const std::string trailing = std::string(job.stripTrailingSpaces ? " " : "") +
                                 std::string(job.stripTrailingTabs ? "\t" : "");
    FileOutcome outcome;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t feed = content.find('\n', start);
        std::size_t end = feed == std::string::npos ? content.size() : feed + 1;
        std::string line = content.substr(start, end - start);
        start = end;
        std::string ending;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            ending.insert(ending.begin(), line.back());
            line.pop_back();
        }
        if (job.deleteEmptyLines && line.empty()) {
            ++outcome.emptyLinesRemoved;
            continue;
        }
        std::size_t zero = line.find('\0');
        std::string prefix = line.substr(0, zero);
        std::string rest = zero == std::string::npos ? std::string() : line.substr(zero);
        if (!prefix.empty() && !leading.empty()) {
            std::size_t n = 0;
            while (n < prefix.size() && leading.find(prefix[n]) != std::string::npos) {
                ++n;
            }
            if (n > 0) {
                prefix.erase(0, n);
                ++outcome.lineChanges;
            }
        }
        if (!prefix.empty() && !trailing.empty()) {
            std::size_t n = prefix.size();
            while (n > 0 && trailing.find(prefix[n - 1]) != std::string::npos) {
                --n;
            }
            if (n < prefix.size()) {
                prefix.resize(n);
                ++outcome.lineChanges;
            }
        }
        if (!pairs.empty() && line.size() <= 29999) {
            int n = 0;
            for (const Pair& pair : pairs) {
                n += ReplacePair(prefix, pair, job);
            }
            if (n > 0) {
                ++outcome.lineChanges;
                outcome.replacements += n;
            }
        }
        outcome.bytes += prefix + rest + (job.keepLineEnds ? ending : std::string("\r\n"));
    }
    return outcome;
}

} // namespace reference
