#include "regex_pattern.h"

#include "escape_notation.h"
#include "search_pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <array>
#include <clocale>
#include <cstring>
#include <locale.h>
#include <mutex>
#include <pcre2.h>

namespace {

// A pattern on a line of at most 30,000 bytes that needs more steps than this
// backtracks without end; the file is left as it is.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKiB = 128 * 1024;
// The machine stack of compiled patterns, per thread.
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;
// Room for every group a 999-byte pattern can have.
constexpr std::uint32_t kOvectorPairs = 512;

constexpr std::size_t kTablesLength = 1088;
constexpr std::size_t kLowerCaseTable = 0;
constexpr std::size_t kFlipCaseTable = 256;

// What one thread needs to match: its match data and its machine stack.
struct ThreadMatchState {
    pcre2_match_data* data = nullptr;
    pcre2_jit_stack* stack = nullptr;
    ThreadMatchState() {
        data = pcre2_match_data_create(kOvectorPairs, nullptr);
        stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    }
    ~ThreadMatchState() {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(stack);
    }
    ThreadMatchState(const ThreadMatchState&) = delete;
    ThreadMatchState& operator=(const ThreadMatchState&) = delete;
};

ThreadMatchState& ThisThread() {
    thread_local ThreadMatchState state;
    return state;
}

pcre2_jit_stack* ThreadJitStack(void*) {
    return ThisThread().stack;
}

// The limits every match runs under; shared by all threads, never changed
// after it is made.
struct MatchContext {
    pcre2_match_context* context = nullptr;
    MatchContext() {
        context = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(context, kMatchLimit);
        pcre2_set_depth_limit(context, kDepthLimit);
        pcre2_set_heap_limit(context, kHeapLimitKiB);
        pcre2_jit_stack_assign(context, &ThreadJitStack, nullptr);
    }
    ~MatchContext() { pcre2_match_context_free(context); }
    MatchContext(const MatchContext&) = delete;
    MatchContext& operator=(const MatchContext&) = delete;
};

pcre2_match_context* Limits() {
    static MatchContext limits;
    return limits.context;
}

// PCRE2's tables as the C locale makes them, whatever locale the program
// runs in, with the case pairs of the code page put in: every byte the fold
// table maps to the same upper-case byte forms one pair.
std::array<std::uint8_t, kTablesLength> MakeTables(CodeMode code) {
    std::array<std::uint8_t, kTablesLength> tables{};
    locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t previous = c != static_cast<locale_t>(nullptr) ? uselocale(c) : nullptr;
    const std::uint8_t* made = pcre2_maketables(nullptr);
    if (previous != nullptr) {
        uselocale(previous);
    }
    if (c != static_cast<locale_t>(nullptr)) {
        freelocale(c);
    }
    if (made == nullptr) {
        return tables;
    }
    std::memcpy(tables.data(), made, kTablesLength);
    pcre2_maketables_free(nullptr, made);
    // The case tables must be where this code expects them (lower case, then
    // flipped case); otherwise only ASCII letters fold, as PCRE2 made them.
    for (int b = 0; b < 256; ++b) {
        int lower = b >= 'A' && b <= 'Z' ? b + 32 : b;
        int flipped = b >= 'A' && b <= 'Z' ? b + 32 : b >= 'a' && b <= 'z' ? b - 32 : b;
        if (tables[kLowerCaseTable + static_cast<std::size_t>(b)] != lower ||
            tables[kFlipCaseTable + static_cast<std::size_t>(b)] != flipped) {
            return tables;
        }
    }
    const std::array<std::uint8_t, 256>& fold = *FoldTableFor(true, code);
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<std::uint8_t>(b);
        tables[kLowerCaseTable + byte] = byte;
        tables[kFlipCaseTable + byte] = byte;
    }
    for (int upper = 0; upper < 256; ++upper) {
        std::vector<std::uint8_t> members;
        for (int b = 0; b < 256; ++b) {
            if (fold[static_cast<std::size_t>(b)] == upper) {
                members.push_back(static_cast<std::uint8_t>(b));
            }
        }
        // PCRE2 knows one other case per byte; the code pages' letters come
        // in pairs.
        if (members.size() != 2) {
            continue;
        }
        std::uint8_t a = members[0];
        std::uint8_t b = members[1];
        std::uint8_t lower = a == upper ? b : a;
        tables[kLowerCaseTable + a] = lower;
        tables[kLowerCaseTable + b] = lower;
        tables[kFlipCaseTable + a] = b;
        tables[kFlipCaseTable + b] = a;
    }
    return tables;
}

} // namespace

struct RegexCode {
    pcre2_code* code = nullptr;
    ~RegexCode() { pcre2_code_free(code); }
};

const std::uint8_t* RegexTablesFor(CodeMode code) {
    static std::once_flag once;
    static std::array<std::uint8_t, kTablesLength> ansi;
    static std::array<std::uint8_t, kTablesLength> oem;
    std::call_once(once, [] {
        ansi = MakeTables(CodeMode::Ansi);
        oem = MakeTables(CodeMode::Oem);
    });
    return code == CodeMode::Oem ? oem.data() : ansi.data();
}

std::string RegexErrorText(int errorCode) {
    std::array<PCRE2_UCHAR, 256> buffer{};
    int n = pcre2_get_error_message(errorCode, buffer.data(), buffer.size());
    if (n < 0) {
        return "error " + std::to_string(errorCode);
    }
    return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
}

RegexPattern::RegexPattern() = default;
RegexPattern::~RegexPattern() = default;

bool RegexPattern::Compile(std::string_view pattern, CodeMode code, bool ignoreCase,
                           RegexProblem& problem) {
    utf8_ = code == CodeMode::Utf8;
    std::uint32_t options = ignoreCase ? PCRE2_CASELESS : 0;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context == nullptr) {
        problem = {RegexErrorText(PCRE2_ERROR_NOMEMORY), 0};
        return false;
    }
    if (utf8_) {
        options |= PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    } else {
        pcre2_set_character_tables(context, RegexTablesFor(code));
    }
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    auto compile = [&](std::uint32_t extra) {
        return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                             options | extra, &error, &errorOffset, context);
    };
    pcre2_code* compiled = compile(0);
    if (compiled != nullptr && pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE) != 0 && !utf8_) {
        // The interpreter's quick search for the first character takes the
        // other case of a byte above 127 from Latin-1, not from the tables
        // (so it would miss 0x9F for 0xFF in code page 1252); without
        // machine code, single-byte patterns go without that search.
        pcre2_code_free(compiled);
        compiled = compile(PCRE2_NO_START_OPTIMIZE);
    }
    pcre2_compile_context_free(context);
    if (compiled == nullptr) {
        problem = {RegexErrorText(error), errorOffset};
        return false;
    }
    code_ = std::make_unique<RegexCode>();
    code_->code = compiled;
    pcre2_pattern_info(compiled, PCRE2_INFO_CAPTURECOUNT, &groups_);
    SetFilter(pattern, code, ignoreCase);
    return true;
}

void RegexPattern::SetFilter(std::string_view pattern, CodeMode code, bool ignoreCase) {
    filterCount_ = 0;
    // Case may be ignored for the whole pattern or inside it: then a byte's
    // other case counts too. In UTF-8 text a letter's other forms may be
    // other characters altogether, so no letter is used.
    bool caseMayFold = ignoreCase || pattern.find("(?") != std::string_view::npos ||
                       pattern.find("(*") != std::string_view::npos;
    if (!caseMayFold || (ignoreCase && !utf8_)) {
        SetPrefix(pattern, code, ignoreCase);
    }
    std::uint32_t type = 0;
    std::uint32_t unit = 0;
    pcre2_pattern_info(code_->code, PCRE2_INFO_LASTCODETYPE, &type);
    if (type == 1) {
        pcre2_pattern_info(code_->code, PCRE2_INFO_LASTCODEUNIT, &unit);
    } else {
        pcre2_pattern_info(code_->code, PCRE2_INFO_FIRSTCODETYPE, &type);
        if (type != 1) {
            return;
        }
        pcre2_pattern_info(code_->code, PCRE2_INFO_FIRSTCODEUNIT, &unit);
    }
    if (unit > 0xFF) {
        return;
    }
    auto byte = static_cast<unsigned char>(unit);
    filter_[filterCount_++] = byte;
    if (!caseMayFold) {
        return;
    }
    if (utf8_) {
        bool letter = (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
        if (letter || byte >= 0x80) {
            filterCount_ = 0;
        }
        return;
    }
    unsigned char other = RegexTablesFor(code)[kFlipCaseTable + byte];
    if (other != byte) {
        filter_[filterCount_++] = other;
    }
}

// The literal characters the pattern starts with: up to the first character
// with a meaning of its own, less the last one when a quantifier follows it.
// Patterns with an alternative, an option setting or a verb anywhere have
// none (their matches need not begin so).
void RegexPattern::SetPrefix(std::string_view pattern, CodeMode code, bool ignoreCase) {
    prefix_ = SearchPattern();
    if (pattern.find('|') != std::string_view::npos ||
        pattern.find("(?") != std::string_view::npos ||
        pattern.find("(*") != std::string_view::npos) {
        return;
    }
    constexpr std::string_view kSpecial = "\\^$.|?*+()[]{}";
    std::size_t end = 0;
    while (end < pattern.size() && kSpecial.find(pattern[end]) == std::string_view::npos) {
        ++end;
    }
    if (end < pattern.size() && (pattern[end] == '?' || pattern[end] == '*' ||
                                 pattern[end] == '{' || pattern[end] == '+')) {
        // The last character is repeated: it may be missing (or not end
        // the literal part).
        do {
            --end;
        } while (end > 0 && utf8_ && (static_cast<unsigned char>(pattern[end]) & 0xC0) == 0x80);
    }
    if (end == 0) {
        return;
    }
    std::string text(pattern.substr(0, end));
    if (utf8_) {
        prefix_ = SearchPattern::Utf8(std::move(text), false);
        return;
    }
    const std::array<std::uint8_t, 256>* fold = FoldTableFor(ignoreCase, code);
    if (fold != nullptr) {
        for (char& c : text) {
            c = static_cast<char>((*fold)[static_cast<unsigned char>(c)]);
        }
    }
    prefix_ = SearchPattern(std::move(text), fold);
}

std::size_t RegexPattern::FindCandidate(std::string_view text, std::size_t from) const {
    if (prefix_.size() > 0) {
        return prefix_.Find(text, from);
    }
    std::size_t best = std::string_view::npos;
    for (int k = 0; k < filterCount_ && from < text.size(); ++k) {
        const void* hit = std::memchr(text.data() + from, filter_[k], text.size() - from);
        if (hit != nullptr) {
            best = std::min(best,
                            static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()));
        }
    }
    return best;
}

bool RegexPattern::SetReplacement(std::string_view replacement, bool expandEscape,
                                  RegexProblem& problem) {
    parts_.clear();
    std::string literal;
    auto endLiteral = [&] {
        if (expandEscape) {
            Velmor_DecodeString(literal);
        }
        if (!literal.empty()) {
            parts_.push_back({std::move(literal), -1});
        }
        literal.clear();
    };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    while (i < replacement.size()) {
        char c = replacement[i];
        if (c != '$' || i + 1 >= replacement.size()) {
            literal += c;
            ++i;
            continue;
        }
        char next = replacement[i + 1];
        if (next == '$') {
            literal += '$';
            i += 2;
            continue;
        }
        int group = -1;
        std::size_t after = i + 1;
        if (isDigit(next)) {
            group = next - '0';
            after = i + 2;
            if (after < replacement.size() && isDigit(replacement[after])) {
                group = group * 10 + (replacement[after] - '0');
                ++after;
            }
        } else if (next == '{') {
            std::size_t close = replacement.find('}', i + 2);
            if (close == std::string_view::npos) {
                problem = {RegexErrorText(PCRE2_ERROR_REPMISSINGBRACE), i};
                return false;
            }
            std::string name(replacement.substr(i + 2, close - i - 2));
            bool number = !name.empty() && name.size() <= 2 && isDigit(name[0]) &&
                          (name.size() == 1 || isDigit(name[1]));
            if (number) {
                group = std::stoi(name);
            } else {
                group = name.empty() ? PCRE2_ERROR_NOSUBSTRING
                                     : pcre2_substring_number_from_name(
                                           code_->code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
                if (group < 0) {
                    problem = {RegexErrorText(PCRE2_ERROR_NOSUBSTRING), i};
                    return false;
                }
            }
            after = close + 1;
        } else {
            literal += c; // a dollar sign that starts no reference
            ++i;
            continue;
        }
        if (static_cast<std::uint32_t>(group) > groups_) {
            problem = {RegexErrorText(PCRE2_ERROR_NOSUBSTRING), i};
            return false;
        }
        endLiteral();
        parts_.push_back({std::string(), group});
        i = after;
    }
    endLiteral();
    return true;
}

MatchResult RegexPattern::Match(std::string_view subject, std::size_t start, bool anchored,
                                bool endAnchored, bool notEmptyAtStart, std::size_t& begin,
                                std::size_t& end) const {
    std::uint32_t options = (anchored ? PCRE2_ANCHORED : 0) |
                            (endAnchored ? PCRE2_ENDANCHORED : 0) |
                            (notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0);
    pcre2_match_data* data = ThisThread().data;
    if (data == nullptr || code_ == nullptr) {
        return MatchResult::NoMatch;
    }
    int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                         start, options, data, Limits());
    if (rc == PCRE2_ERROR_NOMATCH || rc == PCRE2_ERROR_PARTIAL) {
        return MatchResult::NoMatch;
    }
    if (rc < 0) {
        // The step, depth, heap or stack limit, or memory: the line cannot
        // be decided.
        return MatchResult::Limit;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    begin = ovector[0];
    end = ovector[1];
    // \K in a lookahead can put the start behind the end; such a match
    // replaces nothing.
    if (end < begin) {
        end = begin;
    }
    return MatchResult::Match;
}

void RegexPattern::AppendReplacement(std::string& out, std::string_view subject) const {
    pcre2_match_data* data = ThisThread().data;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    const std::uint32_t pairs = pcre2_get_ovector_count(data);
    for (const Part& part : parts_) {
        if (part.group < 0) {
            out += part.literal;
            continue;
        }
        auto group = static_cast<std::uint32_t>(part.group);
        if (group >= pairs) {
            continue;
        }
        PCRE2_SIZE from = ovector[2 * group];
        PCRE2_SIZE to = ovector[2 * group + 1];
        if (from == PCRE2_UNSET || to == PCRE2_UNSET || to < from) {
            continue;
        }
        out.append(subject.substr(from, to - from));
    }
}
