// Search texts as regular expressions: rows through every path of the
// harness (expected results written out, then generated rows against the
// plain reference), the problems that refuse a Start, and runs in which a
// pattern exceeds its limits.
#include "expect_rows.h"
#include "harness.h"
#include "line_processor.h"
#include "replacement_table.h"
#include "run_job.h"
#include "scripted_ui.h"
#include "string_table.h"
#include "test_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using harness::Row;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

struct Options {
    PositionMode position = PositionMode::Anywhere;
    std::int32_t column = 0;
    CodeMode code = CodeMode::Ansi;
    bool ignoreCase = false;
    bool escapes = false;
};

Job Regex(std::vector<ReplacementRow> pairs, Options o = {}) {
    Job job;
    job.regex = true;
    job.replace = std::move(pairs);
    job.position = o.position;
    job.positionColumn = o.column;
    job.code = o.code;
    job.capsLock = o.ignoreCase;
    job.expandEscape = o.escapes;
    return job;
}

Row R(std::string name, std::string input, Job job, std::string output,
      FileCounters counters = {}) {
    return {std::move(name), std::move(input), std::move(job), std::move(output), counters, true};
}

bool HasLineLongerThan(std::string_view input, std::size_t limit) {
    for (std::size_t start = 0; start < input.size();) {
        std::size_t end = std::min(input.find('\n', start), input.size());
        if (end - start > limit) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string Line(std::size_t length, std::string_view end) {
    return std::string(length - end.size(), 'a') + std::string(end);
}

TEST(RegexRows, EmptyMatchesAnchorsGroupsAndChains) {
    const auto start = PositionMode::LineStart;
    const auto end = PositionMode::LineEnd;
    const auto column = PositionMode::AtColumn;
    const auto utf8 = CodeMode::Utf8;
    Check({
        // Empty matches
        R("an empty match moves on by one character", "abc\n", Regex({{"x*", "-"}}), "-a-b-c-\r\n",
          {1, 4, 0}),
        R("an empty match right behind a match", "baaac\n", Regex({{"a*", "x"}}), "xbxxcx\r\n",
          {1, 4, 0}),
        R("an empty line can match", "a\n\nb\n", Regex({{"^$", "(empty)"}}),
          "a\r\n(empty)\r\nb\r\n", {1, 1, 0}),
        R("in UTF-8 an empty match moves on by a whole character", "äö\n",
          Regex({{"x?", "-"}}, {.code = utf8}), "-ä-ö-\r\n", {1, 3, 0}),
        R("a stray byte is never part of a match",
          "a\xFF"
          "b a-b and more text\n",
          Regex({{"a.b", "X"}}, {.code = utf8}),
          "a\xFF"
          "b X and more text\r\n",
          {1, 1, 0}),
        // Positions
        R("line start: one match, also with an empty replacement", "aaa\nbaa\n",
          Regex({{"a", ""}}, {.position = start}), "aa\r\nbaa\r\n", {1, 1, 0}),
        R("line end: the leftmost match that ends there", "aaa\nabab_\n",
          Regex({{"a+|_", "x"}}, {.position = end}), "x\r\nababx\r\n", {2, 2, 0}),
        R("column: the match must start there; lookbehind sees the text before", "abab\nbaab\n",
          Regex({{"(?<=b)a", "x"}}, {.position = column, .column = 3}), "abxb\r\nbaab\r\n",
          {1, 1, 0}),
        R("column: ^ is the line start, not the column", "abcabc\n",
          Regex({{"^c", "x"}}, {.position = column, .column = 3}), "abcabc\r\n"),
        R("column counts characters in UTF-8", "äößx\n",
          Regex({{".", "_"}}, {.position = column, .column = 3, .code = utf8}), "äö_x\r\n",
          {1, 1, 0}),
        R("a column behind the line never matches, not even empty", "ab\n",
          Regex({{"x?", "-"}}, {.position = column, .column = 3}), "ab\r\n"),
        // Groups
        R("numbered groups", "John Smith\n", Regex({{"(\\w+) (\\w+)", "$2, $1"}}),
          "Smith, John\r\n", {1, 1, 0}),
        R("named groups and braces", "2026-12-07\n",
          Regex({{"(?<y>\\d{4})-(\\d\\d)-(\\d\\d)", "$3.${2}.${y}"}}), "07.12.2026\r\n", {1, 1, 0}),
        R("$$ and a dollar sign that names nothing", "5\n", Regex({{"(\\d)", "$$$1 $x $"}}),
          "$5 $x $\r\n", {1, 1, 0}),
        R("two digits at most; the whole match is $0", "abcdefghijk\n",
          Regex({{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "$10$1${1}0$100<$0>"}}),
          "jaa0j0<abcdefghij>k\r\n", {1, 1, 0}),
        R("a group that took no part inserts nothing", "b\n", Regex({{"(a)|(b)", "[$1|$2]"}}),
          "[|b]\r\n", {1, 1, 0}),
        R("escapes in the replacement; PCRE2's own in the pattern", "a1\tb\n",
          Regex({{"a(\\d)\\t", "\\x41$1\\n"}}, {.escapes = true}), "A1\nb\r\n", {1, 1, 0}),
        R("without escape notation a backslash stays", "a1\n", Regex({{"a(\\d)", "\\t$1"}}),
          "\\t1\r\n", {1, 1, 0}),
        // Chains
        R("each pair on what the pair before left", "ab\n", Regex({{"a", "b"}, {"b+", "c"}}),
          "c\r\n", {1, 2, 0}),
        R("a group of a later pair takes what an earlier pair wrote", "x=1\n",
          Regex({{"=", " = "}, {"(\\w) = (\\d)", "$2 = $1"}}), "1 = x\r\n", {1, 2, 0}),
    });
}

TEST(RegexRows, LetterCaseFoldsTheLettersOfTheCoding) {
    const auto oem = CodeMode::Oem;
    const auto utf8 = CodeMode::Utf8;
    Check({
        R("1252: accented letters, also in a class", "\xC9lan \xE9lan \xC9LAN\n\xFF\x9F\n",
          Regex({{"élan", "x"}, {"[ÿ]", "y"}}, {.ignoreCase = true}), "x x x\r\nyy\r\n", {2, 5, 0}),
        R("1252: sharp s and micro have no other case", "SS \xDF \xB5\n",
          Regex({{"ß|µ", "-"}}, {.ignoreCase = true}), "SS - -\r\n", {1, 2, 0}),
        R("1252: case counts unless ignored", "\xC9 \xE9\n", Regex({{"é", "x"}}), "\xC9 x\r\n",
          {1, 1, 0}),
        R("1252: (?i) in the pattern folds the same letters", "\xC9\n", Regex({{"(?i)é", "x"}}),
          "x\r\n", {1, 1, 0}),
        R("850: umlauts in DOS text", "\x8ERGER \x84rger\n",
          Regex({{"ärger", "Ö"}}, {.code = oem, .ignoreCase = true}), "\x99 \x99\r\n", {1, 2, 0}),
        R("UTF-8: whole characters", "ÄRGER ärger σοφία ΣΟΦΊΑ\n",
          Regex({{"ärger", "x"}, {"σοφία", "y"}}, {.code = utf8, .ignoreCase = true}),
          "x x y y\r\n", {1, 4, 0}),
    });
}

TEST(RegexRows, LengthLimits) {
    Check({
        R("a line may grow to 29,997 bytes, not to 29,998; the next pair still works",
          Line(29996, "x") + "\n" + Line(29997, "xqx") + "\n", Regex({{"x", "yy"}, {"q", "r"}}),
          Line(29997, "yy") + "\r\n" + Line(29997, "xrx") + "\r\n", {2, 2, 0}),
        R("an anchored match too", Line(29997, "x") + "\n",
          Regex({{"x", "yy"}}, {.position = PositionMode::LineEnd}), Line(29997, "x") + "\r\n"),
        R("lines longer than 29,999 bytes get no replacement",
          Line(30000, "xxxx") + "\n" + Line(29999, "xxxx") + "\n", Regex({{"x+", "y"}}),
          Line(30000, "xxxx") + "\r\n" + Line(29996, "y") + "\r\n", {1, 1, 0}),
    });
}

// Patterns of every kind on the generator's files, each pair a pattern with
// a replacement template, compared with the plain reference.
TEST(RegexRows, GeneratedRowsAgreeWithTheReference) {
    const ReplacementRow patterns[] = {
        {"a+", "<$0>"},       {"x*", "-"},      {"(a)(b)?", "$2$1"},
        {"^\\s+", ""},        {"\\s+$", ""},    {"(?<w>[ab])c", "${w}${w}"},
        {"\\bab", "AB"},      {"[^ ]+ ", "|"},  {"ä|b", "ae"},
        {"(?i)x", "y"},       {"", "."},        {"a|ab", "1"},
        {"b(?=c)", "B"},      {"(.)\\1", "$1"}, {"é", "E\\t"},
        {"[[:upper:]]", "u"}, {"\\d+", "#$0#"}, {"(x)|(y)", "[$2]"},
        {"ab[cx]", "<$0>"},   {"xa?b", "Y"},    {"äb+", "$0$0"},
    };
    std::mt19937 random(20261207);
    harness::Choose choose = [&random](std::size_t count) {
        return count <= 1 ? 0 : random() % count;
    };
    std::vector<Row> rows;
    for (int family = 0; family < 160; ++family) {
        auto focus = family % 2 == 0 ? harness::Focus::Matching : harness::Focus::Lines;
        Job job = harness::GenerateJob(choose, focus);
        std::vector<std::string> inputs;
        for (std::size_t k = 0, n = 1 + choose(4); k < n; ++k) {
            // Patterns match nearly every line; one beyond 29,999 bytes would
            // add the run's notice of long lines, which the rows do not hold.
            std::string input = harness::GenerateInput(choose, job, focus);
            if (!HasLineLongerThan(input, kMaxReplaceableLine)) {
                inputs.push_back(std::move(input));
            }
        }
        job.regex = true;
        job.replace.clear();
        for (std::size_t p = 0, n = 1 + choose(3); p < n; ++p) {
            job.replace.push_back(patterns[choose(std::size(patterns))]);
        }
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            std::string name = "generated " + std::to_string(family) + "." + std::to_string(k);
            rows.push_back(harness::WithReferenceResult(R(name, inputs[k], job, "")));
        }
    }
    Check(rows);
}

// Ignoring case, a byte matches exactly the bytes the literal search takes
// for the same letter, in both single-byte code pages (also in a class).
TEST(RegexPattern, IgnoringCaseFoldsTheSameBytesAsTheLiteralSearch) {
    for (CodeMode code : {CodeMode::Ansi, CodeMode::Oem}) {
        const std::array<std::uint8_t, 256>& fold = *FoldTableFor(true, code);
        for (int b = 0; b < 256; ++b) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "\\x{%02X}", b);
            for (std::string pattern : {std::string(hex), "[" + std::string(hex) + "]"}) {
                RegexPattern regex;
                RegexProblem problem;
                ASSERT_TRUE(regex.Compile(pattern, code, true, problem)) << pattern;
                std::string folded;
                std::string found;
                // A byte in front that the pattern cannot match, so that the
                // search has to find the start.
                const char filler = fold[static_cast<std::size_t>(b)] == '-' ? '#' : '-';
                for (int c = 0; c < 256; ++c) {
                    std::size_t begin = 0;
                    std::size_t end = 0;
                    const std::string line = filler + std::string(1, static_cast<char>(c));
                    if (fold[static_cast<std::size_t>(c)] == fold[static_cast<std::size_t>(b)]) {
                        folded += line.substr(1);
                    }
                    if (regex.Match(line, 0, false, false, false, begin, end) ==
                        MatchResult::Match) {
                        found += line.substr(1);
                    }
                }
                EXPECT_EQ(found, folded) << pattern << " in code " << static_cast<int>(code);
            }
        }
    }
}

// What refuses a Start: the first text the coding cannot represent (before
// any pattern is compiled), then the first pattern that does not compile or
// replacement that names a missing group, with the character at fault.
TEST(RegexTable, ProblemsThatRefuseTheStart) {
    struct Case {
        const char* name;
        std::vector<ReplacementRow> rows;
        CodeMode code;
        int badRow; // 2019 for this row, or -1
        int row;    // the pattern problem's row, or -1
        int column;
        std::size_t character;
        const char* reason; // a part of PCRE2's text
    };
    const Case cases[] = {
        {"unclosed group", {{"ok", ""}, {"(a", "x"}}, CodeMode::Ansi, -1, 1, 0, 2, "parenthesis"},
        {"a quantifier with nothing before it",
         {{"*a", ""}},
         CodeMode::Ansi,
         -1,
         0,
         0,
         0,
         "quantifier"},
        {"characters, not bytes, in UTF-8",
         {{"ää[", ""}},
         CodeMode::Utf8,
         -1,
         0,
         0,
         3,
         "missing terminating ]"},
        {"a group the pattern lacks", {{"(a)", "$1$2"}}, CodeMode::Ansi, -1, 0, 1, 2, "unknown"},
        {"a name the pattern lacks",
         {{"(?<n>a)", "${n}${m}"}},
         CodeMode::Ansi,
         -1,
         0,
         1,
         4,
         "unknown"},
        {"an unclosed brace", {{"a", "x${1"}}, CodeMode::Ansi, -1, 0, 1, 1, "curly"},
        {"a text the coding cannot represent comes first",
         {{"(", ""}, {"€", ""}},
         CodeMode::Oem,
         1,
         -1,
         0,
         0,
         ""},
        {"fine", {{"(a)(?<n>b)", "$2${n}$$"}}, CodeMode::Utf8, -1, -1, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job = Regex(c.rows, {.code = c.code});
        ReplacementTable table;
        int badRow = -1;
        int badColumn = -1;
        PatternProblem problem;
        bool built = BuildReplacementTable(job, table, &badRow, &badColumn, &problem);
        EXPECT_EQ(built, c.badRow < 0 && c.row < 0);
        EXPECT_EQ(badRow, c.badRow);
        EXPECT_EQ(problem.row, c.row);
        EXPECT_EQ(table.empty(), !built);
        if (c.row >= 0) {
            EXPECT_EQ(problem.column, c.column);
            EXPECT_EQ(problem.character, c.character);
            EXPECT_NE(problem.reason.find(c.reason), std::string::npos) << problem.reason;
        }
    }
}

class RegexRunTest : public ::testing::Test {
protected:
    Job RunJobOf(std::vector<ReplacementRow> rows) {
        Job job = Regex(std::move(rows));
        job.directories = {dir.path()};
        job.files = {"*.txt"};
        return job;
    }
    TempDir dir;
};

TEST_F(RegexRunTest, ABadPatternRefusesTheStartNamingPairPatternAndReason) {
    WriteFile(dir / "a.txt", "abc\n");
    ScriptedUi ui;
    RunResult result = RunCheckedJob(RunJobOf({{"b", "x"}, {"a(b", "x"}}), ui, {});
    EXPECT_EQ(result.outcome, RunOutcome::Refused);
    ASSERT_EQ(ui.MessageIds(), std::vector<int>{kMsgBadPattern});
    EXPECT_EQ(ui.messages[0].insert1, "2");
    EXPECT_EQ(ui.messages[0].insert2,
              "'a(b'\n" + FillInserts(LoadTranslatedString(kTextAtCharacter),
                                      "missing closing parenthesis", "4"));
    EXPECT_EQ(ReadFile(dir / "a.txt"), "abc\n");
}

// A pattern that backtracks without end, and one with a huge alternation, on
// long lines: the run ends, the file where the limit was met stays as it was
// (its other lines included), the user is told which file and pattern, and
// the other files are changed.
TEST_F(RegexRunTest, APatternOverItsLimitsLeavesThatFileAndTheRunGoesOn) {
    std::string alternation = "(?:";
    for (int i = 0; i < 150; ++i) {
        alternation += (i > 0 ? "|" : "") + std::string(1 + i % 5, 'a');
    }
    alternation += ")+$";
    for (const std::string& pattern : {std::string("(a+)+$"), alternation}) {
        SCOPED_TRACE(pattern);
        const std::string bad = "a b\n" + std::string(5000, 'a') + "b\n";
        WriteFile(dir / "1.txt", "a\n");
        WriteFile(dir / "2.txt", bad);
        WriteFile(dir / "3.txt", "xa\n");
        ScriptedUi ui;
        RunResult result = RunCheckedJob(RunJobOf({{"b", "c"}, {pattern, "A"}}), ui, {});
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        ASSERT_EQ(ui.MessageIds(), std::vector<int>{kMsgMatchLimit});
        EXPECT_EQ(ui.messages[0].insert1, pattern);
        EXPECT_EQ(ui.messages[0].insert2, dir / "2.txt");
        EXPECT_EQ(ReadFile(dir / "2.txt"), bad);
        EXPECT_EQ(ReadFile(dir / "1.txt"), "A\r\n");
        EXPECT_EQ(ReadFile(dir / "3.txt"), "xA\r\n");
        EXPECT_EQ(result.statistics.FilesChanged, 2);
    }
}

} // namespace
