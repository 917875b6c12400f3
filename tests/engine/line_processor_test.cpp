#include "code_pages.h"
#include "line_processor.h"
#include "reference.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct Outcome {
    std::string bytes;
    FileCounters counters;
    bool lookSaysChanged;
};

// Runs the processor over `content` fed in pieces of `chunk` bytes, and the
// look-only processor over the same bytes.
Outcome Process(const std::string& content, const LineSettings& settings, std::size_t chunk,
                std::size_t threshold = 4 * 1024 * 1024) {
    StringSink sink;
    LineProcessor writer(settings, &sink);
    writer.SetLongLineThreshold(threshold);
    LineProcessor look(settings, nullptr);
    look.SetLongLineThreshold(threshold);
    for (std::size_t i = 0; i < content.size(); i += chunk) {
        writer.Feed(std::string_view(content).substr(i, chunk));
        look.Feed(std::string_view(content).substr(i, chunk));
    }
    writer.Finish();
    look.Finish();
    return {sink.text, writer.counters(), look.counters().Changed()};
}

TEST(LineProcessor, LineEndsAndLines) {
    LineSettings settings;
    struct Case {
        const char* name;
        std::string input;
        std::string output;
    };
    const Case cases[] = {
        {"empty file has no line", "", ""},
        {"LF becomes CR LF", "a\nb\n", "a\r\nb\r\n"},
        {"last line without line end gets one", "a\nb", "a\r\nb\r\n"},
        {"a final LF adds no empty line", "a\n\n", "a\r\n\r\n"},
        {"CR-only file is one line, inner CRs stay", "a\rb\rc\r\r", "a\rb\rc\r\n"},
        {"every CR before the LF goes", "a\r\r\r\n", "a\r\n"},
        {"a CR inside a line stays", "a\rb\n", "a\rb\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto outcome = Process(c.input, settings, 3);
        EXPECT_EQ(outcome.bytes, c.output);
        EXPECT_FALSE(outcome.counters.Changed()) << "line ends alone are no change";
        EXPECT_FALSE(outcome.lookSaysChanged);
    }
}

TEST(LineProcessor, CleanUpOperationsAndTheirCounters) {
    ReplacementTable table;
    Job job;
    job.replace = {{"a", "b"}};
    ASSERT_TRUE(BuildReplacementTable(job, table));
    LineSettings settings;
    settings.deleteEmptyLines = true;
    settings.leadingStripChars = " \t";
    settings.trailingStripChars = " ";
    settings.table = &table;
    struct Case {
        const char* name;
        std::string input;
        std::string output;
        int lineChanges, replacements, emptyRemoved;
    };
    const Case cases[] = {
        {"strips and two replacements count 3 and 2", "  a a  \n", "b b\r\n", 3, 2, 0},
        {"an empty line is removed", "x\n\nx\n", "x\r\nx\r\n", 0, 0, 1},
        {"a line of only a CR is empty", "\r\n", "", 0, 0, 1},
        {"a line of blanks is emptied but written", "   \n", "\r\n", 1, 0, 0},
        {"a tab is kept at the end", "x\t\n", "x\t\r\n", 0, 0, 0},
        {"zero byte: operations see the part before it", " a \0 a \n", "b\0 a \r\n", 3, 1, 0},
        {"a line holding a zero byte is not empty", std::string("\0\n", 2),
         std::string("\0\r\n", 3), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string input = c.input;
        if (std::string(c.name).rfind("zero byte", 0) == 0) {
            input = std::string(" a \0 a \n", 8);
        }
        std::string output = c.output;
        if (std::string(c.name).rfind("zero byte", 0) == 0) {
            output = std::string("b\0 a \r\n", 7);
        }
        auto outcome = Process(input, settings, 2);
        EXPECT_EQ(outcome.bytes, output);
        EXPECT_EQ(outcome.counters.lineChanges, c.lineChanges);
        EXPECT_EQ(outcome.counters.replacements, c.replacements);
        EXPECT_EQ(outcome.counters.emptyLinesRemoved, c.emptyRemoved);
        EXPECT_EQ(outcome.lookSaysChanged, outcome.counters.Changed());
    }
}

TEST(LineProcessor, KeepingLineEnds) {
    ReplacementTable table;
    Job job;
    job.replace = {{"x", "y"}};
    ASSERT_TRUE(BuildReplacementTable(job, table));
    LineSettings settings;
    settings.keepLineEnds = true;
    settings.table = &table;
    std::string input = "x\nx\r\nx\rx\r\r\nlast x";
    auto outcome = Process(input, settings, 4);
    EXPECT_EQ(outcome.bytes, "y\ny\r\ny\ry\r\r\nlast y");
    // A line end inserted by a replacement still splits the line.
    Job split;
    split.expandEscape = true;
    split.replace = {{";", "\\n"}};
    ASSERT_TRUE(BuildReplacementTable(split, table));
    EXPECT_EQ(Process("a;b\n", settings, 100).bytes, "a\nb\n");
}

TEST(LineProcessor, LongLinesGetNoReplacementAndLoseNothing) {
    ReplacementTable table;
    Job job;
    job.replace = {{"xxxx", "y"}};
    ASSERT_TRUE(BuildReplacementTable(job, table));
    LineSettings settings;
    settings.table = &table;
    // 29,999 bytes: replaced. 30,000 bytes: not replaced, although the
    // shrinking replacement alone would fit the line's capacity.
    std::string at = std::string(29995, 'a') + "xxxx";
    std::string over = std::string(29996, 'a') + "xxxx";
    auto outcome = Process(at + "\n" + over + "\n", settings, 4096);
    EXPECT_EQ(outcome.bytes, std::string(29995, 'a') + "y\r\n" + over + "\r\n");
    EXPECT_EQ(outcome.counters.replacements, 1);
    // A line of several megabytes is written whole and unsplit.
    std::string huge = std::string(5 * 1024 * 1024, 'b') + "xxxx";
    auto big = Process(huge + "\r\n", settings, 1 << 20);
    EXPECT_EQ(big.bytes, huge + "\r\n");
    EXPECT_FALSE(big.counters.Changed());
}

// The streamed handling of very long lines gives exactly what the whole-line
// handling gives; the two are compared with the threshold lowered.
TEST(LineProcessor, StreamedLinesMatchWholeLines) {
    std::mt19937 random(17);
    const char alphabet[] = {'a', ' ', '\t', '\r', '\n', '\0', 'b'};
    for (int iteration = 0; iteration < 4000; ++iteration) {
        std::string input;
        std::size_t length = random() % 60;
        for (std::size_t i = 0; i < length; ++i) {
            input += alphabet[random() % sizeof alphabet];
        }
        LineSettings settings;
        settings.deleteEmptyLines = random() % 2 == 0;
        settings.leadingStripChars = std::string(" \t").substr(random() % 3);
        settings.trailingStripChars = std::string(" \t").substr(random() % 3);
        settings.keepLineEnds = random() % 2 == 0;
        auto whole = Process(input, settings, 1 + random() % 9);
        auto streamed = Process(input, settings, 1 + random() % 9, random() % 4);
        ASSERT_EQ(streamed.bytes, whole.bytes) << "iteration " << iteration;
        ASSERT_EQ(streamed.counters.lineChanges, whole.counters.lineChanges);
        ASSERT_EQ(streamed.counters.emptyLinesRemoved, whole.counters.emptyLinesRemoved);
        ASSERT_EQ(streamed.lookSaysChanged, whole.counters.Changed());
    }
}

// The whole file against the straight line-by-line reference, in random
// pieces, with every option.
TEST(LineProcessor, AgreesWithTheStraightAlgorithm) {
    std::mt19937 random(2026);
    const char alphabet[] = {'a', 'b', 'A', ' ', '\t', '\r', '\n', '\n', '\0', 'x'};
    const PositionMode positions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                      PositionMode::LineEnd, PositionMode::AtColumn};
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::string input;
        std::size_t length = random() % 120;
        for (std::size_t i = 0; i < length; ++i) {
            input += alphabet[random() % sizeof alphabet];
        }
        Job job;
        job.capsLock = random() % 2 == 0;
        job.code = random() % 3 == 0 ? CodeMode::Utf8 : CodeMode::Ansi;
        job.position = positions[random() % 4];
        job.positionColumn = static_cast<std::int32_t>(random() % 5);
        std::size_t pairs = random() % 3;
        for (std::size_t p = 0; p < pairs; ++p) {
            std::string search(1 + random() % 2, "abAx "[random() % 5]);
            if (job.code == CodeMode::Utf8 && random() % 3 == 0) {
                search = random() % 2 ? "\xC3\xA4" : "\xC3\x84"; // ä, Ä
            }
            std::string replacement(random() % 3, "bx "[random() % 3]);
            job.replace.push_back({search, replacement});
        }
        ReplacementTable table;
        ASSERT_TRUE(BuildReplacementTable(job, table));
        LineSettings settings;
        settings.deleteEmptyLines = random() % 2 == 0;
        settings.leadingStripChars = std::string(" \t").substr(random() % 3);
        settings.trailingStripChars = std::string("\t ").substr(random() % 3);
        settings.keepLineEnds = random() % 3 == 0;
        settings.table = &table;

        reference::FileOptions options;
        options.deleteEmptyLines = settings.deleteEmptyLines;
        options.leading = settings.leadingStripChars;
        options.trailing = settings.trailingStripChars;
        options.keepLineEnds = settings.keepLineEnds;
        options.settings = {job.capsLock, static_cast<int>(job.code),
                            static_cast<int>(job.position), job.positionColumn};
        for (const ReplacementPair& pair : table.pairs) {
            options.pairs.push_back({pair.search.text(), pair.replacement});
        }
        auto expected = reference::Rewrite(input, options);
        auto actual = Process(input, settings, 1 + random() % 16);
        ASSERT_EQ(actual.bytes, expected.bytes) << "iteration " << iteration;
        ASSERT_EQ(actual.counters.lineChanges, expected.lineChanges);
        ASSERT_EQ(actual.counters.replacements, expected.replacements);
        ASSERT_EQ(actual.counters.emptyLinesRemoved, expected.emptyLinesRemoved);
        bool changed = expected.lineChanges != 0 || expected.emptyLinesRemoved != 0;
        ASSERT_EQ(actual.lookSaysChanged, changed) << "iteration " << iteration;
    }
}

TEST(TextTest, WeightsOverTheFirst128Bytes) {
    std::string text21 = std::string(21, '\0') + std::string(107, 'a');
    std::string text22 = std::string(22, '\0') + std::string(106, 'a');
    EXPECT_TRUE(LooksLikeText(text21)) << "sum 2";
    EXPECT_FALSE(LooksLikeText(text22)) << "sum -4";
    EXPECT_TRUE(LooksLikeText("")) << "an empty file is text";
    EXPECT_TRUE(LooksLikeText(std::string(128, 'a') + std::string(500, '\0')))
        << "only the first 128 bytes count";
    std::string utf16;
    for (char c : std::string("Latin text in UTF-16 little endian, as Windows writes it.")) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_FALSE(LooksLikeText(utf16));
    // Spot checks of the table.
    EXPECT_EQ(TextWeight(0x08), 1);
    EXPECT_EQ(TextWeight(0x0B), -1);
    EXPECT_EQ(TextWeight(0x0E), -1);
    EXPECT_EQ(TextWeight(0x1A), 1);
    EXPECT_EQ(TextWeight(0x1B), -5);
    EXPECT_EQ(TextWeight(0xFE), 1);
    EXPECT_EQ(TextWeight(0xFF), -5);
}

TEST(TextTest, StripHelpers) {
    std::string line = " \t x \t ";
    EXPECT_TRUE(StripLeadingChars(line, " \t"));
    EXPECT_EQ(line, "x \t ");
    EXPECT_TRUE(StripTrailingChars(line, " "));
    EXPECT_EQ(line, "x \t");
    EXPECT_FALSE(StripTrailingChars(line, ""));
    std::string empty;
    EXPECT_FALSE(StripLeadingChars(empty, " "));
}

} // namespace
