#include "reference.h"

#include "code_pages.h"
#include "escape_notation.h"
#include "utf8_case.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <array>
#include <clocale>
#include <locale.h>
#include <map>
#include <pcre2.h>
#include <stdexcept>

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

// PCRE2's tables for a single-byte coding, made in the C locale, with the
// reference's own letter case put in: every two bytes with one upper case
// are each other's other case.
const unsigned char* RegexTables(CodeMode code) {
    static std::map<CodeMode, std::vector<unsigned char>> made;
    std::vector<unsigned char>& tables = made[code];
    if (tables.empty()) {
        locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        locale_t previous = uselocale(c);
        const unsigned char* built = pcre2_maketables(nullptr);
        uselocale(previous);
        freelocale(c);
        tables.assign(built, built + 1088);
        pcre2_maketables_free(nullptr, built);
        std::map<char32_t, std::vector<int>> byUpper;
        for (int b = 0; b < 256; ++b) {
            byUpper[Units(std::string(1, static_cast<char>(b)), code)[0].folded].push_back(b);
        }
        for (const auto& [upper, bytes] : byUpper) {
            if (bytes.size() == 2) {
                int lower = bytes[0] == static_cast<int>(upper) ? bytes[1] : bytes[0];
                for (int k = 0; k < 2; ++k) {
                    tables[static_cast<std::size_t>(bytes[k])] = static_cast<unsigned char>(lower);
                    tables[256 + static_cast<std::size_t>(bytes[k])] =
                        static_cast<unsigned char>(bytes[1 - k]);
                }
            }
        }
    }
    return tables.data();
}

struct Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    ~Compiled() {
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
};

// One regular expression on one line, plainly: PCRE2's own global
// substitution over the whole line; only when the result would be too long,
// match by match up to the one that would make it so.
int ReplaceRegexPair(std::string& line, const Pair& pair, const Job& job) {
    Compiled re;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    std::uint32_t options = job.capsLock ? PCRE2_CASELESS : 0;
    if (job.code == CodeMode::Utf8) {
        options |= PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    } else {
        pcre2_set_character_tables(context, RegexTables(job.code));
    }
    int error = 0;
    PCRE2_SIZE offset = 0;
    re.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pair.search.data()), pair.search.size(),
                            options, &error, &offset, context);
    pcre2_compile_context_free(context);
    if (re.code == nullptr) {
        throw std::runtime_error("the reference cannot compile " + pair.search);
    }
    // PCRE2's interpreter and its machine code disagree on a few edge cases
    // (empty matches beside invalid UTF-8; the other case of some bytes above
    // 127 in its quick first-character search); the run uses machine code
    // where it can, and so does the reference.
    pcre2_jit_compile(re.code, PCRE2_JIT_COMPLETE);
    re.data = pcre2_match_data_create_from_pattern(re.code, nullptr);
    // The template in PCRE2's own notation: a group number has at most two
    // digits, and a dollar sign that names nothing stands for itself.
    std::string replacement;
    for (std::size_t i = 0; i < pair.replacement.size(); ++i) {
        const std::string& t = pair.replacement;
        auto digit = [&](std::size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
        if (t[i] != '$') {
            replacement += t[i];
        } else if (digit(i + 1)) {
            std::size_t n = digit(i + 2) ? 2 : 1;
            replacement += "${" + t.substr(i + 1, n) + "}";
            i += n;
        } else if (i + 1 < t.size() && (t[i + 1] == '{' || t[i + 1] == '$')) {
            replacement += t[i];
            replacement += t[++i];
        } else {
            replacement += "$$";
        }
    }
    if (job.expandEscape) {
        Velmor_DecodeString(replacement);
    }
    auto substitute = [&](std::uint32_t mode, std::string& out) {
        std::vector<char> buffer(line.size() * 4 + replacement.size() * 4 + 64);
        while (true) {
            PCRE2_SIZE size = buffer.size();
            int n = pcre2_substitute(
                re.code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0,
                mode | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNSET_EMPTY, re.data,
                nullptr, reinterpret_cast<PCRE2_SPTR>(replacement.data()), replacement.size(),
                reinterpret_cast<PCRE2_UCHAR*>(buffer.data()), &size);
            if (n == PCRE2_ERROR_NOMEMORY) {
                buffer.resize(size + 1);
                continue;
            }
            if (n < 0) {
                throw std::runtime_error("the reference cannot substitute " + pair.search);
            }
            out.assign(buffer.data(), size);
            return n;
        }
    };
    // The anchored positions: one match, found by trying every start.
    std::vector<std::size_t> starts;
    for (const Unit& unit : Units(line, job.code)) {
        starts.push_back(unit.offset);
    }
    starts.push_back(line.size());
    std::vector<std::size_t> tries;
    std::uint32_t anchoring = PCRE2_ANCHORED;
    if (job.position == PositionMode::LineStart) {
        tries = {0};
    } else if (job.position == PositionMode::AtColumn) {
        long long column = static_cast<long long>(job.positionColumn) - 1;
        if (column >= 0 && column + 1 < static_cast<long long>(starts.size())) {
            tries = {starts[static_cast<std::size_t>(column)]};
        }
    } else if (job.position == PositionMode::LineEnd) {
        tries = starts;
        anchoring |= PCRE2_ENDANCHORED;
    }
    if (job.position != PositionMode::Anywhere) {
        for (std::size_t at : tries) {
            int rc = pcre2_match(re.code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(),
                                 at, anchoring, re.data, nullptr);
            // PCRE2 ends a match at the line end also where only a run of
            // valid UTF-8 ends.
            if (rc < 0 || ((anchoring & PCRE2_ENDANCHORED) != 0 &&
                           pcre2_get_ovector_pointer(re.data)[1] != line.size())) {
                continue;
            }
            std::string inserted;
            substitute(PCRE2_SUBSTITUTE_MATCHED | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY, inserted);
            const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(re.data);
            if (line.size() - (ovector[1] - ovector[0]) + inserted.size() + 2 >= 30000) {
                return 0;
            }
            line = line.substr(0, ovector[0]) + inserted + line.substr(ovector[1]);
            return 1;
        }
        return 0;
    }
    std::string whole;
    int n = substitute(PCRE2_SUBSTITUTE_GLOBAL, whole);
    if (whole.size() + 2 < 30000) {
        line = whole;
        return n;
    }
    // Too long: replace match by match, as long as the line stays short
    // enough; empty matches as PCRE2's global substitution takes them.
    std::string out;
    std::size_t copied = 0;
    std::size_t from = 0;
    std::size_t length = line.size();
    std::uint32_t retry = 0;
    int count = 0;
    while (from <= line.size()) {
        int rc = pcre2_match(re.code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), from,
                             retry, re.data, nullptr);
        if (rc < 0) {
            if (retry == 0 || from == line.size()) {
                break;
            }
            retry = 0;
            ++from;
            while (job.code == CodeMode::Utf8 && from < line.size() &&
                   (static_cast<unsigned char>(line[from]) & 0xC0) == 0x80) {
                ++from;
            }
            continue;
        }
        std::string inserted;
        substitute(PCRE2_SUBSTITUTE_MATCHED | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY, inserted);
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(re.data);
        if (length - (ovector[1] - ovector[0]) + inserted.size() + 2 >= 30000) {
            break;
        }
        out += line.substr(copied, ovector[0] - copied) + inserted;
        length = length - (ovector[1] - ovector[0]) + inserted.size();
        copied = ovector[1];
        from = ovector[1];
        retry = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
        ++count;
    }
    if (count > 0) {
        line = out + line.substr(copied);
    }
    return count;
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
                n += job.regex ? ReplaceRegexPair(prefix, pair, job)
                               : ReplacePair(prefix, pair, job);
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
