// The engine's line operations, row by row through every path of the
// harness: hand-written rows at the boundaries, then generated rows whose
// expected result is the plain reference's.
#include "expect_rows.h"
#include "harness.h"
#include "line_processor.h"
#include "replacement_table.h"
#include "utf8_case.h"

#include <gtest/gtest.h>
#include <random>

using namespace std::string_literals;
using harness::Row;

namespace {

// A row: the file, the job, what the line operations write and their counters.
Row R(std::string name, std::string input, Job job, std::string output, FileCounters counters = {},
      bool text = true) {
    return {std::move(name), std::move(input), std::move(job), std::move(output), counters, text};
}

// A job with these pairs and these options on.
Job J(std::vector<ReplacementRow> pairs, std::initializer_list<bool Job::*> on = {}) {
    Job job;
    job.replace = std::move(pairs);
    for (bool Job::*option : on) {
        job.*option = true;
    }
    return job;
}

Job At(Job job, PositionMode position, std::int32_t column = 0) {
    job.position = position;
    job.positionColumn = column;
    return job;
}

Job In(Job job, CodeMode code) {
    job.code = code;
    return job;
}

std::string Times(std::size_t n, std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < n; ++i) {
        result += text;
    }
    return result;
}

TEST(EngineRows, LinesAndLineEnds) {
    const Job xy = J({{"x", "y"}});
    const Job keep = J({{"x", "y"}}, {&Job::keepLineEnds});
    const auto escapes = &Job::expandEscape;
    Check({
        R("an empty file has no line", "", xy, ""),
        R("nothing to change: only line ends would differ", "a\nb\n", xy, "a\r\nb\r\n"),
        R("one replacement: CR LF after every line", "a\nx\n", xy, "a\r\ny\r\n", {1, 1, 0}),
        R("a last line without line end gets one", "x\nx", xy, "y\r\ny\r\n", {2, 2, 0}),
        R("a final LF adds no empty line", "x\n\n", xy, "y\r\n\r\n", {1, 1, 0}),
        R("a CR-only file is one line", "x\rb\rc\r\r", xy, "y\rb\rc\r\n", {1, 1, 0}),
        R("every CR before the LF goes", "x\r\r\r\n", xy, "y\r\n", {1, 1, 0}),
        R("line ends alone are no change", "a\r\r\nb\rc", xy, "a\r\nb\rc\r\n"),
        R("a change is confirmed (answered Yes)", "x\n", J({{"x", "y"}}, {&Job::confirm}), "y\r\n",
          {1, 1, 0}),
        R("kept line ends", "x\nx\r\nx\rx\r\r\nlast x", keep, "y\ny\r\ny\ry\r\r\nlast y",
          {4, 5, 0}),
        R("kept line ends of a CR-only file", "x\rx\r\r", keep, "y\ry\r\r", {1, 2, 0}),
        R("kept line end of CR CR LF", "x\r\r\n", keep, "y\r\r\n", {1, 1, 0}),
        R("a CR inside a line can be matched, the line end not", "a\rb\r\n",
          J({{"\\r", "-"}}, {escapes}), "a-b\r\n", {1, 1, 0}),
        R("a search text holding a line feed never matches", "a\nb\n",
          J({{"a\\nb", "x"}}, {escapes}), "a\r\nb\r\n"),
        R("a replacement holding a line feed splits the line", "a;b\n",
          J({{";", "\\n"}}, {escapes}), "a\nb\r\n", {1, 1, 0}),
        R("... also keeping line ends", "a;b\n", J({{";", "\\n"}}, {escapes, &Job::keepLineEnds}),
          "a\nb\n", {1, 1, 0}),
    });
}

TEST(EngineRows, CleanUpOperations) {
    const Job clean = J({{"a", "b"}}, {&Job::deleteEmptyLines, &Job::stripLeadingSpaces,
                                       &Job::stripLeadingTabs, &Job::stripTrailingSpaces});
    const Job trailing = J({}, {&Job::stripTrailingSpaces, &Job::stripTrailingTabs});
    const Job leading = At(J({{"a", "x"}}, {&Job::stripLeadingSpaces}), PositionMode::LineStart);
    Job off = J({{"a", "x"}}, {&Job::stripLeadingSpaces});
    off.performReplace = false;
    const std::string longLine(40000, 'q');
    Check({
        R("strips and two replacements count 3 and 2", "  a a  \n", clean, "b b\r\n", {3, 2, 0}),
        R("an empty line is removed", "x\n\nx\n", clean, "x\r\nx\r\n", {0, 0, 1}),
        R("a line of only a CR is empty", "\r\n", clean, "", {0, 0, 1}),
        R("a file of CRs only is one empty line", "\r\r\r", clean, "", {0, 0, 1}),
        R("blanks emptied by the strips are still written", "   \n", clean, "\r\n", {1, 0, 0}),
        R("a tab at the end stays when only blanks go", "x\t\n", clean, "x\t\r\n"),
        R("the operations see the part before a zero byte", " a \0 a \n"s, clean, "b\0 a \r\n"s,
          {3, 1, 0}),
        R("a line holding a zero byte is not empty", "text\n\0\n"s, clean, "text\r\n\0\r\n"s),
        R("trailing blanks and tabs", "a \t \nb\t\n", trailing, "a\r\nb\r\n", {2, 0, 0}),
        R("a long line is stripped at both ends", " \t" + longLine + "\t \n", clean,
          longLine + "\t\r\n", {2, 0, 0}),
        R("a long line is stripped up to its zero byte", longLine + " \0a\rb \n"s, trailing,
          longLine + "\0a\rb \r\n"s, {1, 0, 0}),
        R("a long line keeps what the strip leaves at its end", longLine + " \r \n", trailing,
          longLine + " \r\r\n", {1, 0, 0}),
        R("a long line of blanks is emptied but written", std::string(40000, ' ') + "\n", clean,
          "\r\n", {1, 0, 0}),
        R("the anchor is the line start the strip left", "  ab\n", leading, "xb\r\n", {2, 1, 0}),
        R("replacements off: the rows are not used", " ab\n", off, "ab\r\n", {1, 0, 0}),
        R("no operation at all", "  a\n\n", Job{}, "  a\r\n\r\n"),
    });
}

// Which first 128 bytes make a file binary. Each byte value tried weighs +1,
// -1 or -5: after one letter and 21 zero bytes (-104) only +1 bytes keep the
// sum at 0 or more; after 64 letters, -1 bytes still do and -5 bytes do not.
TEST(EngineRows, TextTest) {
    const Job ab = J({{"a", "b"}});
    const std::pair<unsigned char, int> weights[] = {
        {0x00, -5}, {0x07, -5}, {0x08, 1},  {0x09, 1},  {0x0A, 1}, {0x0B, -1}, {0x0C, 1},
        {0x0D, 1},  {0x0E, -1}, {0x0F, -5}, {0x19, -5}, {0x1A, 1}, {0x1B, -5}, {0x1F, -5},
        {0x20, 1},  {0x7F, 1},  {0x80, 1},  {0xFE, 1},  {0xFF, -5}};
    // What `n` copies of `byte` become behind the changed start of the line.
    auto tail = [](std::size_t n, char byte) {
        return byte == '\r'   ? "\r\n"s          // the line's end
               : byte == '\n' ? Times(n, "\r\n") // the first ends the line, the others are lines
                              : std::string(n, byte) + "\r\n";
    };
    std::vector<Row> rows = {
        R("21 zero bytes and 107 letters are text", std::string(107, 'a') + std::string(21, '\0'),
          ab, std::string(107, 'b') + std::string(21, '\0') + "\r\n", {1, 107, 0}),
        R("22 zero bytes and 106 letters are not", std::string(106, 'a') + std::string(22, '\0'),
          ab, std::string(106, 'b') + std::string(22, '\0') + "\r\n", {1, 106, 0}, false),
        R("only the first 128 bytes are weighed", std::string(128, 'a') + std::string(500, '\0'),
          ab, std::string(128, 'b') + std::string(500, '\0') + "\r\n", {1, 128, 0}),
        R("UTF-16 text is not text", "a\0 \0L\0a\0t\0i\0n\0 \0t\0e\0x\0t\0"s, ab,
          "b\0 \0L\0a\0t\0i\0n\0 \0t\0e\0x\0t\0\r\n"s, {1, 1, 0}, false),
    };
    for (auto [byte, weight] : weights) {
        const char c = static_cast<char>(byte);
        const std::string name = "byte " + std::to_string(byte);
        rows.push_back(R(name + " after 21 zero bytes",
                         "a" + std::string(21, '\0') + std::string(106, c), ab,
                         "b" + std::string(21, '\0') + tail(106, c), {1, 1, 0}, weight == 1));
        rows.push_back(R(name + " after 64 letters",
                         "a" + std::string(63, 'c') + std::string(64, c), ab,
                         "b" + std::string(63, 'c') + tail(64, c), {1, 1, 0}, weight >= -1));
    }
    Check(rows);
}

TEST(EngineRows, ReplacingAnywhere) {
    Check({
        R("no new search across the joint", "aaa\n", J({{"aa", "b"}}), "ba\r\n", {1, 1, 0}),
        R("an empty replacement leaves a new occurrence alone", "aabb\n", J({{"ab", ""}}), "ab\r\n",
          {1, 1, 0}),
        R("inserted text is not searched again", "aa\n", J({{"a", "aa"}}), "aaaa\r\n", {1, 2, 0}),
        R("pairs are chained", "ab\n", J({{"a", "b"}, {"b", "c"}}), "cc\r\n", {1, 3, 0}),
        R("every occurrence, left to right", "welt, welt\n", J({{"welt", "Welt"}}),
          "Welt, Welt\r\n", {1, 2, 0}),
        R("an empty search text never matches", "abc\n", J({{"", "x"}}), "abc\r\n"),
        R("the same search text twice", "aa\n", J({{"a", "b"}, {"a", "c"}}), "bb\r\n", {1, 2, 0}),
        R("replacing a by a is a change", "a\n", J({{"a", "a"}}), "a\r\n", {1, 1, 0}),
        R("an empty line gets no replacement", "\n", J({{"a", "b"}}), "\r\n"),
        R("a text ending inside a longer one is found", "abc\n", J({{"bc", "2"}, {"abc", "1"}}),
          "a2\r\n", {1, 1, 0}),
        R("a near miss does not hide a match in the same 16 bytes", "axcabc and more text\n",
          J({{"abc", "X"}}), "axcX and more text\r\n", {1, 1, 0}),
    });
}

TEST(EngineRows, AnchoredModes) {
    const auto start = PositionMode::LineStart;
    const auto end = PositionMode::LineEnd;
    const auto column = PositionMode::AtColumn;
    Check({
        R("line start, once", "aaa\nbaa\n", At(J({{"a", "x"}}), start), "xaa\r\nbaa\r\n",
          {1, 1, 0}),
        R("line start, an empty replacement removes every repetition", "   abc \n",
          At(J({{" ", ""}}), start), "abc \r\n", {1, 3, 0}),
        R("line end, once", "aaa\n", At(J({{"a", "x"}}), end), "aax\r\n", {1, 1, 0}),
        R("line end, must end exactly there", "abab_\nabab\n", At(J({{"ab", "x"}}), end),
          "abab_\r\nabx\r\n", {1, 1, 0}),
        R("line end, an empty replacement still once", "aaa\n", At(J({{"a", ""}}), end), "aa\r\n",
          {1, 1, 0}),
        R("line end, a search text longer than the line", "abc\n", At(J({{"abcd", "x"}}), end),
          "abc\r\n"),
        R("column 3", "abXYc\naXYbc\n", At(J({{"XY", "--"}}), column, 3), "ab--c\r\naXYbc\r\n",
          {1, 1, 0}),
        R("column 1 is the line start", "aa\n", At(J({{"a", "x"}}), column, 1), "xa\r\n",
          {1, 1, 0}),
        R("column 0 never matches", "aa\n", At(J({{"a", "x"}}), column, 0), "aa\r\n"),
        R("a negative column never matches", "aa\n", At(J({{"a", "x"}}), column, -2), "aa\r\n"),
        R("a column behind the line never matches", "aa\n", At(J({{"a", "x"}}), column, 3),
          "aa\r\n"),
        R("column, an empty replacement looks at the anchor again", "abbbc\n",
          At(J({{"b", ""}}), column, 2), "ac\r\n", {1, 3, 0}),
    });
}

TEST(EngineRows, LetterCaseAndCodings) {
    const auto caps = &Job::capsLock;
    const auto oem = CodeMode::Oem;
    Check({
        R("ignoring case finds every spelling", "Welt WELT welt wElT\n",
          J({{"welt", "Erde"}}, {caps}), "Erde Erde Erde Erde\r\n", {1, 4, 0}),
        R("sharp s has no upper case of its own",
          "GR\xDCSSE GR\xDC\xDF"
          "E gr\xFC\xDF"
          "e\n",
          J({{"grüße", "Grüße"}}, {caps}),
          "GR\xDCSSE Gr\xFC\xDF"
          "e Gr\xFC\xDF"
          "e\r\n",
          {1, 2, 0}),
        R("upper case of y with diaeresis, of s, oe and z with caron",
          "\xFF\x9A\x9C\x9E \x9F\x8A\x8C\x8E \xB5\n", J({{"ÿšœž", "1"}, {"µ", "2"}}, {caps}),
          "1 1 2\r\n", {1, 3, 0}),
        R("DOS text ignoring case", "\x8ERGER \x84rger\n", In(J({{"ärger", "Ö"}}, {caps}), oem),
          "\x99 \x99\r\n", {1, 2, 0}),
        R("DOS text, exact", "\x8ERGER \x84rger\n", In(J({{"ärger", "Ö"}}), oem),
          "\x8ERGER \x99\r\n", {1, 1, 0}),
        R("DOS text: the texts are converted, the line is not", "\x84 \xE4\n",
          In(J({{"ä", "ae"}}), oem), "ae \xE4\r\n", {1, 1, 0}),
        R("the euro sign in code page 1252", "5 \x80\n", J({{"€", "EUR"}}), "5 EUR\r\n", {1, 1, 0}),
        R("escapes are expanded before upper-casing; replacements keep their case", "a\tb A\tB\n",
          J({{"a\\tb", "a\\x41"}}, {caps, &Job::expandEscape}), "aA aA\r\n", {1, 2, 0}),
        R("texts are cut at 999 bytes before escapes are expanded", std::string(998, 'z') + "\\t\n",
          J({{std::string(998, 'z') + "\\t", "X"}}, {&Job::expandEscape}), "Xt\r\n", {1, 1, 0}),
    });
}

TEST(EngineRows, Utf8Text) {
    auto utf8 = [](std::vector<ReplacementRow> pairs,
                   PositionMode position = PositionMode::Anywhere, std::int32_t column = 0) {
        return In(At(J(std::move(pairs), {&Job::expandEscape}), position, column), CodeMode::Utf8);
    };
    auto caps = [&](std::vector<ReplacementRow> pairs) {
        Job job = utf8(std::move(pairs));
        job.capsLock = true;
        return job;
    };
    const auto column = PositionMode::AtColumn;
    Check({
        R("umlauts anywhere", "schön, böse\n", utf8({{"ö", "oe"}}), "schoen, boese\r\n", {1, 2, 0}),
        R("greek at the line start", "αβα\n", utf8({{"α", "Α"}}, PositionMode::LineStart),
          "Αβα\r\n", {1, 1, 0}),
        R("cyrillic at the line end", "мир мир\n", utf8({{"мир", "свет"}}, PositionMode::LineEnd),
          "мир свет\r\n", {1, 1, 0}),
        R("the line end counts characters", "aä\n", utf8({{"ä", "ae"}}, PositionMode::LineEnd),
          "aae\r\n", {1, 1, 0}),
        R("a column counts characters", "äößx\n", utf8({{"ß", "ss"}}, column, 3), "äössx\r\n",
          {1, 1, 0}),
        R("a column behind the characters", "äöü\n", utf8({{"x", "y"}}, column, 4), "äöü\r\n"),
        R("a stray byte is one column",
          "a\xFF"
          "bcdef\n",
          utf8({{"b", "B"}}, column, 3),
          "a\xFF"
          "Bcdef\r\n",
          {1, 1, 0}),
        R("ignoring case folds whole characters", "ÄRGER, Ärger und ärger\n",
          caps({{"ärger", "Freude"}}), "Freude, Freude und Freude\r\n", {1, 3, 0}),
        R("greek and cyrillic ignoring case", "σοφία\nПРИВЕТ Привет\n",
          caps({{"ΣΟΦΊΑ", "x"}, {"привет", "y"}}), "x\r\ny y\r\n", {2, 3, 0}),
        R("final and plain sigma ignoring case", "σς\n", caps({{"σ", "s"}}), "ss\r\n", {1, 2, 0}),
        R("a form of another length is no match: the Kelvin sign", "\u212A k K\n",
          caps({{"k", "x"}}), "\u212A x x\r\n", {1, 2, 0}),
        R("case counts unless ignored", "Ärger ärger\n", utf8({{"ärger", "x"}}), "Ärger x\r\n",
          {1, 1, 0}),
        R("a character is never partly matched",
          "5€ a\x82"
          "b\n",
          utf8({{"\\x82\\xAC", "1"}, {"\\xE2\\x82", "2"}, {"\\x82", "x"}}), "5€ axb\r\n",
          {1, 1, 0}),
        R("a character given by escapes", "5€\n", utf8({{"\\xE2\\x82\\xAC", "EUR"}}), "5EUR\r\n",
          {1, 1, 0}),
        R("stray bytes ignoring case", "\xFF\xFF, more text\n", caps({{"\\xFF", "y"}}),
          "yy, more text\r\n", {1, 2, 0}),
    });
}

// Replacements apply to lines of up to 29,999 bytes (line end not counted,
// zero bytes and what follows them counted), and only while the line stays
// at 29,997 bytes or less.
TEST(EngineRows, LengthLimits) {
    auto line = [](std::size_t length, std::string_view end) {
        return std::string(length - end.size(), 'a') + std::string(end);
    };
    const std::string zero = "xxxx\0"s;
    const std::string huge(5 * 1024 * 1024, 'b');
    Check({
        R("lines of 29,997 to 30,000 bytes",
          line(29997, "xxxx") + "\n" + line(29998, "xxxx") + "\n" + line(29999, "xxxx") + "\n" +
              line(30000, "xxxx") + "\n" + line(29999, "xxxx") + "\r\r\n" + zero +
              std::string(29995, 'a') + "\n" + zero + std::string(29994, 'a') + "\n",
          J({{"xxxx", "y"}}),
          line(29994, "y") + "\r\n" + line(29995, "y") + "\r\n" + line(29996, "y") + "\r\n" +
              line(30000, "xxxx") + "\r\n" + line(29996, "y") + "\r\n" + zero +
              std::string(29995, 'a') + "\r\n" + "y\0"s + std::string(29994, 'a') + "\r\n",
          {5, 5, 0}),
        R("a line may grow to 29,997 bytes, not to 29,998",
          line(29996, "x") + "\n" + line(29997, "xqx") + "\n", J({{"x", "yy"}, {"q", "r"}}),
          line(29997, "yy") + "\r\n" + line(29997, "xrx") + "\r\n", {2, 2, 0}),
        R("a chained pair meets the limit", line(29996, "x") + "\n" + line(29995, "x") + "\n",
          J({{"x", "yy"}, {"y", "zz"}}), line(29997, "yy") + "\r\n" + line(29997, "zzy") + "\r\n",
          {2, 3, 0}),
        R("a line of several megabytes is written whole", "xxxx\n" + huge + "xxxx\r\n",
          J({{"xxxx", "y"}}), "y\r\n" + huge + "xxxx\r\n", {1, 1, 0}),
    });
    // A line too long to replace in is counted when it holds a search text;
    // read in pieces (of 4,093 bytes, after the first 32,744), the text may
    // lie across two of them, and a character in UTF-8 may too.
    std::vector<Row> split;
    FileCounters tooLong;
    tooLong.longLines = 1;
    for (std::size_t before : {1, 3, 4, 8}) {
        const std::string text =
            std::string(36837 - before, 'a') + "QvToken42" + Times(900, "bcde");
        split.push_back(
            R("a search text across pieces, " + std::to_string(before) + " bytes before",
              text + "\n", J({{"QvToken42", "x"}}), text + "\r\n", tooLong));
        split.push_back(R("the same ignoring case, " + std::to_string(before) + " bytes before",
                          text + "\n", J({{"qvtoken42", "x"}}, {&Job::capsLock}), text + "\r\n",
                          tooLong));
    }
    // The end or the start of a character, split from the rest of it.
    for (std::size_t before : {1, 2, 3}) {
        const std::string text =
            std::string(36837 - before, 'a') + "\xE2\x82\xAC" + Times(900, "bcde");
        for (const char* part : {"\\x82\\xAC", "\\xE2\\x82"}) {
            split.push_back(
                R("part of a character across pieces, " + std::to_string(before) + " " + part,
                  text + "\n", In(J({{part, "x"}}, {&Job::expandEscape}), CodeMode::Utf8),
                  text + "\r\n"));
        }
    }
    Check(split);
}

// One generator for every path: jobs with their files, several files to a
// job (the runs of one job share a tree), leaning by turns towards the
// matching and towards the lines.
TEST(EngineRows, GeneratedRowsAgreeWithTheReference) {
    std::mt19937 random(20260807);
    harness::Choose choose = [&random](std::size_t count) {
        return count <= 1 ? 0 : random() % count;
    };
    std::vector<Row> rows;
    for (int family = 0; family < 640; ++family) {
        auto focus = family % 2 == 0 ? harness::Focus::Matching : harness::Focus::Lines;
        Job job = harness::GenerateJob(choose, focus);
        for (std::size_t k = 0, n = 1 + choose(6); k < n; ++k) {
            std::string name = "generated " + std::to_string(family) + "." + std::to_string(k);
            rows.push_back(harness::WithReferenceResult(
                R(name, harness::GenerateInput(choose, job, focus), job, "")));
        }
    }
    Check(rows);
}

TEST(EngineRows, StripHelpers) {
    std::string line = " \t x \t ";
    EXPECT_TRUE(StripLeadingChars(line, " \t"));
    EXPECT_EQ(line, "x \t ");
    EXPECT_TRUE(StripTrailingChars(line, " "));
    EXPECT_EQ(line, "x \t");
    EXPECT_FALSE(StripTrailingChars(line, ""));
    std::string empty;
    EXPECT_FALSE(StripLeadingChars(empty, " "));
}

TEST(EngineRows, Utf8BoundariesAndFolding) {
    std::string text = "a\xC3\xA4\x80\xE2\x82";
    std::vector<bool> expected = {true, true, false, true, true, true, true};
    for (std::size_t i = 0; i <= text.size(); ++i) {
        EXPECT_EQ(IsUtf8Boundary(text, i), i >= expected.size() || expected[i]) << i;
    }
    EXPECT_EQ(FoldUtf8Text("straße ǆ ς"), "STRAßE Ǆ Σ");
    EXPECT_EQ(FoldUtf8Char(U'ÿ'), U'Ÿ');
    EXPECT_EQ(FoldVariants(U'Σ'), (std::vector<char32_t>{U'Σ', U'ς', U'σ'}));
}

} // namespace
