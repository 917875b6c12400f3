#include "code_pages.h"
#include "reference.h"
#include "replacement_table.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct TableSetup {
    std::vector<ReplacementRow> rows;
    PositionMode position = PositionMode::Anywhere;
    std::int32_t column = 0;
    bool capsLock = false;
    CodeMode code = CodeMode::Ansi;
    bool escapes = false;
};

ReplacementTable MakeTable(const TableSetup& setup) {
    Job job;
    job.replace = setup.rows;
    job.position = setup.position;
    job.positionColumn = setup.column;
    job.capsLock = setup.capsLock;
    job.code = setup.code;
    job.expandEscape = setup.escapes;
    ReplacementTable table;
    EXPECT_TRUE(BuildReplacementTable(job, table));
    return table;
}

std::pair<std::string, int> Apply(const TableSetup& setup, std::string line,
                                  std::size_t capacity = kLineCapacity) {
    ReplacementTable table = MakeTable(setup);
    int count = ReplaceInLine(line, capacity, table);
    return {line, count};
}

TEST(LineMatching, WorkedExamplesAnywhere) {
    struct Case {
        const char* name;
        std::vector<ReplacementRow> rows;
        std::string line;
        std::string expected;
        int count;
    };
    const Case cases[] = {
        {"no re-scan across the joint", {{"aa", "b"}}, "aaa", "ba", 1},
        {"empty replacement leaves a new occurrence alone", {{"ab", ""}}, "aabb", "ab", 1},
        {"inserted text is not searched again", {{"a", "aa"}}, "aa", "aaaa", 2},
        {"pairs are chained", {{"a", "b"}, {"b", "c"}}, "ab", "cc", 3},
        {"all occurrences from left to right", {{"welt", "Welt"}}, "welt, welt", "Welt, Welt", 2},
        {"empty search text never matches", {{"", "x"}}, "abc", "abc", 0},
        {"empty line", {{"a", "b"}}, "", "", 0},
        {"same term twice applies twice", {{"a", "b"}, {"a", "c"}}, "aa", "bb", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableSetup setup;
        setup.rows = c.rows;
        auto [line, count] = Apply(setup, c.line);
        EXPECT_EQ(line, c.expected);
        EXPECT_EQ(count, c.count);
    }
}

TEST(LineMatching, AnchoredModes) {
    struct Case {
        const char* name;
        PositionMode position;
        std::int32_t column;
        ReplacementRow row;
        std::string line;
        std::string expected;
        int count;
    };
    const Case cases[] = {
        {"line start, once", PositionMode::LineStart, 0, {"a", "x"}, "aaa", "xaa", 1},
        {"line start, not elsewhere", PositionMode::LineStart, 0, {"b", "x"}, "abb", "abb", 0},
        {"line start, empty replacement removes every repetition",
         PositionMode::LineStart,
         0,
         {" ", ""},
         "   abc ",
         "abc ",
         3},
        {"line end, once", PositionMode::LineEnd, 0, {"a", "x"}, "aaa", "aax", 1},
        {"line end, must end exactly there",
         PositionMode::LineEnd,
         0,
         {"ab", "x"},
         "abab_",
         "abab_",
         0},
        {"line end, empty replacement still once",
         PositionMode::LineEnd,
         0,
         {"a", ""},
         "aaa",
         "aa",
         1},
        {"line end, search longer than line",
         PositionMode::LineEnd,
         0,
         {"abcd", "x"},
         "abc",
         "abc",
         0},
        {"column 3 matches", PositionMode::AtColumn, 3, {"XY", "--"}, "abXYc", "ab--c", 1},
        {"column 3 does not match one off",
         PositionMode::AtColumn,
         3,
         {"XY", "--"},
         "aXYbc",
         "aXYbc",
         0},
        {"column 1 is the line start", PositionMode::AtColumn, 1, {"a", "x"}, "aa", "xa", 1},
        {"column 0 never matches", PositionMode::AtColumn, 0, {"a", "x"}, "aa", "aa", 0},
        {"negative column never matches", PositionMode::AtColumn, -2, {"a", "x"}, "aa", "aa", 0},
        {"column at the end never matches", PositionMode::AtColumn, 3, {"a", "x"}, "aa", "aa", 0},
        {"column, empty replacement re-examines",
         PositionMode::AtColumn,
         2,
         {"b", ""},
         "abbbc",
         "ac",
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableSetup setup;
        setup.rows = {c.row};
        setup.position = c.position;
        setup.column = c.column;
        auto [line, count] = Apply(setup, c.line);
        EXPECT_EQ(line, c.expected);
        EXPECT_EQ(count, c.count);
    }
}

TEST(LineMatching, CapacityRuleAt29997Bytes) {
    TableSetup setup;
    setup.rows = {{"x", "yy"}, {"q", "r"}};
    // Growing by one byte is allowed while the line stays at 29,997 bytes.
    std::string fits = std::string(29995, 'a') + "x";
    auto [grown, count] = Apply(setup, fits);
    EXPECT_EQ(grown.size(), 29997u);
    EXPECT_EQ(count, 1);
    // 29,998 bytes would break the rule: no replacement, nor any later one of
    // that pair; the next pair is still applied.
    std::string tooLong = std::string(29994, 'a') + "x" + "q" + "x";
    ASSERT_EQ(tooLong.size(), 29997u);
    auto [same, countSame] = Apply(setup, tooLong);
    EXPECT_EQ(same, std::string(29994, 'a') + "x" + "r" + "x");
    EXPECT_EQ(countSame, 1);
}

TEST(LineMatching, IgnoringCaseInBothCodings) {
    TableSetup setup;
    setup.rows = {{"welt", "Erde"}};
    setup.capsLock = true;
    EXPECT_EQ(Apply(setup, "Welt WELT welt wElT").first, "Erde Erde Erde Erde");

    setup.rows = {{"grüße", "Grüße"}};
    std::string ansi;
    ASSERT_TRUE(Utf8ToAnsi("GRÜSSE GRÜßE grüße", ansi));
    std::string expected;
    ASSERT_TRUE(Utf8ToAnsi("GRÜSSE Grüße Grüße", expected));
    EXPECT_EQ(Apply(setup, ansi).first, expected) << "ß has no upper-case form of its own";

    // DOS text: the search text is converted to code page 850 and the line is
    // compared in 850, letter case ignored through the ANSI tables.
    setup.code = CodeMode::Oem;
    setup.rows = {{"ärger", "Ö"}};
    std::string oemLine = "\x8E"
                          "RGER \x84rger"; // "ÄRGER ärger" in 850
    auto [line, count] = Apply(setup, oemLine);
    EXPECT_EQ(line, "\x99 \x99"); // "Ö Ö" in 850
    EXPECT_EQ(count, 2);
    // Exact DOS search does not ignore case.
    setup.capsLock = false;
    EXPECT_EQ(Apply(setup, oemLine).second, 1);
}

TEST(LineMatching, PreparationOrderAndLimits) {
    Job job;
    job.expandEscape = true;
    job.capsLock = true;
    std::string prepared;
    // Escapes are expanded before upper-casing: "\t" stays a tab, not "\T".
    ASSERT_TRUE(PrepareText("a\\tb", true, job, prepared));
    EXPECT_EQ(prepared, "A\tB");
    // The replacement keeps its letter case.
    ASSERT_TRUE(PrepareText("a\\x41", false, job, prepared));
    EXPECT_EQ(prepared, "aA");
    // Texts are cut at 999 bytes before escapes are expanded.
    ASSERT_TRUE(PrepareText(std::string(998, 'z') + "\\t", false, job, prepared));
    EXPECT_EQ(prepared, std::string(998, 'z') + "\\");
    // Unicode text the coding cannot hold is refused.
    EXPECT_FALSE(PrepareText("Привет", true, job, prepared));
    job.code = CodeMode::Oem;
    EXPECT_FALSE(PrepareText("5 €", true, job, prepared));
    job.code = CodeMode::Ansi;
    EXPECT_TRUE(PrepareText("5 €", true, job, prepared));
    EXPECT_EQ(prepared, "5 \x80");

    Job refused;
    refused.replace = {{"ok", "ok"}, {"fine", "Ω"}};
    ReplacementTable table;
    int row = -1;
    int column = -1;
    EXPECT_FALSE(BuildReplacementTable(refused, table, &row, &column));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 1);
    EXPECT_TRUE(table.empty());
}

// The fast search against the plain reference, on thousands of generated
// lines and tables, in every mode.
TEST(LineMatching, AgreesWithThePlainReference) {
    std::mt19937 random(4242);
    const std::string alphabet = "aAbB \t\xE4\xC4\x84\x8E\xFF\x9F\xDF";
    auto randomText = [&](std::size_t maxLength) {
        std::string text;
        std::size_t length = random() % (maxLength + 1);
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        return text;
    };
    const PositionMode positions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                      PositionMode::LineEnd, PositionMode::AtColumn};
    for (int iteration = 0; iteration < 20000; ++iteration) {
        Job job;
        job.capsLock = random() % 2 == 0;
        job.code = random() % 3 == 0 ? CodeMode::Oem : CodeMode::Ansi;
        job.position = positions[random() % 4];
        job.positionColumn = static_cast<std::int32_t>(random() % 8) - 1;
        // Large tables take the indexed way.
        std::size_t pairs = random() % 3 == 0 ? 9 + random() % 12 : 1 + random() % 3;
        reference::Settings settings{job.capsLock, static_cast<int>(job.code),
                                     static_cast<int>(job.position), job.positionColumn};
        std::vector<reference::Pair> referencePairs;
        ReplacementTable table;
        table.settings =
            LineMatchSettings{job.capsLock, job.code, job.position, job.positionColumn};
        for (std::size_t p = 0; p < pairs; ++p) {
            std::string search = randomText(3);
            std::string replacement = randomText(3);
            if (job.capsLock) {
                AnsiToUpper(search);
            }
            referencePairs.push_back({search, replacement});
            table.pairs.push_back(ReplacementPair{
                SearchPattern(search, FoldTableFor(job.capsLock, job.code)), replacement});
        }
        if (pairs > 8) {
            table.BuildIndex();
        }
        std::string line = randomText(40);
        std::size_t capacity = random() % 4 == 0 ? line.size() + random() % 6 : kLineCapacity;
        std::string expected = line;
        int expectedCount = reference::ReplaceInLine(expected, capacity, referencePairs, settings);
        std::string actual = line;
        int actualCount = ReplaceInLine(actual, capacity, table);
        ASSERT_EQ(actual, expected) << "iteration " << iteration;
        ASSERT_EQ(actualCount, expectedCount) << "iteration " << iteration;
        if (actualCount > 0) {
            EXPECT_TRUE(MayReplaceInLine(line, table)) << "iteration " << iteration;
        }
    }
}

TEST(LineMatching, FastSearchFindsEveryOccurrenceInLongText) {
    std::mt19937 random(99);
    for (int iteration = 0; iteration < 300; ++iteration) {
        std::string text;
        std::size_t length = 1 + random() % 400;
        for (std::size_t i = 0; i < length; ++i) {
            text += "abcAB\xE4\xC4"[random() % 7];
        }
        std::string needle = text.substr(random() % text.size(), 1 + random() % 5);
        bool caps = random() % 2 == 0;
        std::string folded = needle;
        if (caps) {
            AnsiToUpper(folded);
        }
        SearchPattern pattern(folded, FoldTableFor(caps, CodeMode::Ansi));
        std::string haystack = text;
        if (caps) {
            AnsiToUpper(haystack);
        }
        for (std::size_t from = 0; from <= text.size(); from += 1 + random() % 7) {
            ASSERT_EQ(pattern.Find(text, from), haystack.find(folded, from));
        }
    }
}

} // namespace

namespace {

// Applying a table with and without its index gives the same line and count.
void ExpectIndexChangesNothing(ReplacementTable table, const std::vector<std::string>& lines) {
    ReplacementTable plain = table;
    table.BuildIndex();
    for (const std::string& line : lines) {
        std::string a = line;
        std::string b = line;
        int countPlain = ReplaceInLine(a, kLineCapacity, plain);
        int countIndexed = ReplaceInLine(b, kLineCapacity, table);
        ASSERT_EQ(b, a);
        ASSERT_EQ(countIndexed, countPlain);
        if (countPlain > 0) {
            ASSERT_TRUE(MayReplaceInLine(line, table)) << "the index may never miss a change";
        }
    }
}

TEST(LineMatching, ManyPairsGoThroughAnAutomaton) {
    std::mt19937 random(555);
    ReplacementTable table;
    std::vector<std::string> words;
    for (int i = 0; i < 3000; ++i) {
        std::string word;
        for (int k = 0, n = 3 + static_cast<int>(random() % 6); k < n; ++k) {
            word += static_cast<char>('a' + random() % 26);
        }
        words.push_back(word);
        table.pairs.push_back({SearchPattern(word, nullptr), word.substr(0, 1) + "_"});
    }
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        std::string line;
        for (int k = 0; k < 12; ++k) {
            line += random() % 3 == 0 ? words[random() % words.size()] : "zz";
            line += ' ';
        }
        lines.push_back(line);
    }
    ExpectIndexChangesNothing(table, lines);
    table.BuildIndex();
    EXPECT_NE(table.automaton(), nullptr);
}

TEST(LineMatching, AHugeTableFallsBackToTheStartIndex) {
    // Long texts over many different bytes would make the automaton too large.
    std::mt19937 random(556);
    ReplacementTable table;
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
        std::string text;
        for (int k = 0; k < 999; ++k) {
            text += static_cast<char>(32 + random() % 120);
        }
        texts.push_back(text);
        table.pairs.push_back({SearchPattern(text, nullptr), "#"});
    }
    std::vector<std::string> lines = {texts[3], "x" + texts[7] + texts[3], texts[299].substr(1),
                                      std::string(50, 'q')};
    ExpectIndexChangesNothing(table, lines);
    table.BuildIndex();
    EXPECT_EQ(table.automaton(), nullptr);
    EXPECT_NE(table.index(), nullptr);
}

// A table built again with few pairs forgets the index of its many earlier
// ones: left behind, it found the old search texts (found by fuzzing).
TEST(LineMatching, ARebuiltTableForgetsTheIndexOfItsOldPairs) {
    Job many;
    for (int i = 0; i < 12; ++i) {
        many.replace.push_back({"w" + std::to_string(i), "z"});
    }
    ReplacementTable table;
    ASSERT_TRUE(BuildReplacementTable(many, table));
    ASSERT_NE(table.automaton(), nullptr);
    Job one;
    one.replace.push_back({"a", "b"});
    ASSERT_TRUE(BuildReplacementTable(one, table));
    EXPECT_EQ(table.automaton(), nullptr);
    EXPECT_EQ(table.index(), nullptr);
    std::string line = "a w1 w11 a";
    EXPECT_EQ(ReplaceInLine(line, kLineCapacity, table), 2);
    EXPECT_EQ(line, "b w1 w11 b");
}

} // namespace
