// The engine's line operations, row by row through every path of the
// harness: hand-written rows at the boundaries, then generated rows whose
// expected result is the plain reference's.
#include "harness.h"
#include "line_processor.h"
#include "replacement_table.h"
#include "utf8_case.h"

#include <gtest/gtest.h>
#include <random>

using namespace std::string_literals;
using harness::Row;

namespace {

void Check(const std::vector<Row>& rows) {
    harness::CheckRows(
        rows, [](const std::string& row, const std::string& path, const std::string& what) {
            SCOPED_TRACE("row \"" + row + "\", path " + path);
            ADD_FAILURE() << what;
        });
}

Job Replace(std::vector<ReplacementRow> rows) {
    Job job;
    job.replace = std::move(rows);
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
    const Job xy = Replace({{"x", "y"}});
    Job keep = xy;
    keep.keepLineEnds = true;
    Job escapes;
    escapes.expandEscape = true;
    Job keepEscapes = escapes;
    keepEscapes.keepLineEnds = true;
    auto with = [](Job job, std::vector<ReplacementRow> rows) {
        job.replace = std::move(rows);
        return job;
    };
    Check({
        {"an empty file has no line", "", xy, "", {}},
        {"nothing to change: only line ends would differ", "a\nb\n", xy, "a\r\nb\r\n", {}},
        {"one replacement: CR LF after every line", "a\nx\n", xy, "a\r\ny\r\n", {1, 1, 0}},
        {"a last line without line end gets one", "x\nx", xy, "y\r\ny\r\n", {2, 2, 0}},
        {"a final LF adds no empty line", "x\n\n", xy, "y\r\n\r\n", {1, 1, 0}},
        {"a CR-only file is one line", "x\rb\rc\r\r", xy, "y\rb\rc\r\n", {1, 1, 0}},
        {"every CR before the LF goes", "x\r\r\r\n", xy, "y\r\n", {1, 1, 0}},
        {"line ends alone are no change", "a\r\r\nb\rc", xy, "a\r\nb\rc\r\n", {}},
        {"kept line ends", "x\nx\r\nx\rx\r\r\nlast x", keep, "y\ny\r\ny\ry\r\r\nlast y", {4, 5, 0}},
        {"kept line ends of a CR-only file", "x\rx\r\r", keep, "y\ry\r\r", {1, 2, 0}},
        {"kept line end of CR CR LF", "x\r\r\n", keep, "y\r\r\n", {1, 1, 0}},
        {"a CR inside a line can be matched, the line end not",
         "a\rb\r\n",
         with(escapes, {{"\\r", "-"}}),
         "a-b\r\n",
         {1, 1, 0}},
        {"a search text holding a line feed never matches",
         "a\nb\n",
         with(escapes, {{"a\\nb", "x"}}),
         "a\r\nb\r\n",
         {}},
        {"a replacement holding a line feed splits the line",
         "a;b\n",
         with(escapes, {{";", "\\n"}}),
         "a\nb\r\n",
         {1, 1, 0}},
        {"... also keeping line ends",
         "a;b\n",
         with(keepEscapes, {{";", "\\n"}}),
         "a\nb\n",
         {1, 1, 0}},
    });
}

TEST(EngineRows, CleanUpOperations) {
    Job clean = Replace({{"a", "b"}});
    clean.deleteEmptyLines = true;
    clean.stripLeadingSpaces = true;
    clean.stripLeadingTabs = true;
    clean.stripTrailingSpaces = true;
    Job trailing;
    trailing.stripTrailingSpaces = true;
    trailing.stripTrailingTabs = true;
    Job leading = Replace({{"a", "x"}});
    leading.stripLeadingSpaces = true;
    leading.position = PositionMode::LineStart;
    Job off = leading;
    off.performReplace = false;
    const std::string longLine(40000, 'q');
    Check({
        {"strips and two replacements count 3 and 2", "  a a  \n", clean, "b b\r\n", {3, 2, 0}},
        {"an empty line is removed", "x\n\nx\n", clean, "x\r\nx\r\n", {0, 0, 1}},
        {"a line of only a CR is empty", "\r\n", clean, "", {0, 0, 1}},
        {"a file of CRs only is one empty line", "\r\r\r", clean, "", {0, 0, 1}},
        {"blanks emptied by the strips are still written", "   \n", clean, "\r\n", {1, 0, 0}},
        {"a tab at the end stays when only blanks go", "x\t\n", clean, "x\t\r\n", {}},
        {"the operations see the part before a zero byte",
         " a \0 a \n"s,
         clean,
         "b\0 a \r\n"s,
         {3, 1, 0}},
        {"a line holding a zero byte is not empty", "text\n\0\n"s, clean, "text\r\n\0\r\n"s, {}},
        {"trailing blanks and tabs", "a \t \nb\t\n", trailing, "a\r\nb\r\n", {2, 0, 0}},
        {"a long line is stripped at both ends",
         " \t" + longLine + "\t \n",
         clean,
         longLine + "\t\r\n",
         {2, 0, 0}},
        {"a long line is stripped up to its zero byte",
         longLine + " \0 \n"s,
         trailing,
         longLine + "\0 \r\n"s,
         {1, 0, 0}},
        {"the anchor is the line start the strip left", "  ab\n", leading, "xb\r\n", {2, 1, 0}},
        {"replacements off: the rows are not used", " ab\n", off, "ab\r\n", {1, 0, 0}},
        {"no operation at all", "  a\n\n", Job{}, "  a\r\n\r\n", {}},
    });
}

// Which first 128 bytes make a file binary. Each byte value tried weighs +1,
// -1 or -5: after one letter and 21 zero bytes (-104) only +1 bytes keep the
// sum at 0 or more; after 64 letters, -1 bytes still do and -5 bytes do not.
TEST(EngineRows, TextTest) {
    const Job ab = Replace({{"a", "b"}});
    const std::pair<unsigned char, int> weights[] = {
        {0x00, -5}, {0x07, -5}, {0x08, 1},  {0x09, 1},  {0x0A, 1}, {0x0B, -1}, {0x0C, 1},
        {0x0D, 1},  {0x0E, -1}, {0x0F, -5}, {0x19, -5}, {0x1A, 1}, {0x1B, -5}, {0x1F, -5},
        {0x20, 1},  {0x7F, 1},  {0x80, 1},  {0xFE, 1},  {0xFF, -5}};
    // What `n` copies of `byte` after the changed start of the first line
    // become.
    auto tail = [](std::size_t n, char byte) {
        if (byte == '\r') {
            return "\r\n"s; // the line's end
        }
        if (byte == '\n') {
            return Times(n, "\r\n"); // the first ends the line, the others are lines
        }
        return std::string(n, byte) + "\r\n";
    };
    std::vector<Row> rows = {
        {"21 zero bytes and 107 letters are text",
         std::string(107, 'a') + std::string(21, '\0'),
         ab,
         std::string(107, 'b') + std::string(21, '\0') + "\r\n",
         {1, 107, 0}},
        {"22 zero bytes and 106 letters are not",
         std::string(106, 'a') + std::string(22, '\0'),
         ab,
         std::string(106, 'b') + std::string(22, '\0') + "\r\n",
         {1, 106, 0},
         false},
        {"only the first 128 bytes are weighed",
         std::string(128, 'a') + std::string(500, '\0'),
         ab,
         std::string(128, 'b') + std::string(500, '\0') + "\r\n",
         {1, 128, 0}},
        {"UTF-16 text is not text",
         "a\0 \0L\0a\0t\0i\0n\0 \0t\0e\0x\0t\0"s,
         ab,
         "b\0 \0L\0a\0t\0i\0n\0 \0t\0e\0x\0t\0\r\n"s,
         {1, 1, 0},
         false},
    };
    for (auto [byte, weight] : weights) {
        const char c = static_cast<char>(byte);
        char hex[16];
        std::snprintf(hex, sizeof hex, "byte 0x%02X", byte);
        rows.push_back({hex + std::string(" after 21 zero bytes"),
                        "a" + std::string(21, '\0') + std::string(106, c),
                        ab,
                        "b" + std::string(21, '\0') + tail(106, c),
                        {1, 1, 0},
                        weight == 1});
        rows.push_back({hex + std::string(" after 64 letters"),
                        "a" + std::string(63, 'c') + std::string(64, c),
                        ab,
                        "b" + std::string(63, 'c') + tail(64, c),
                        {1, 1, 0},
                        weight >= -1});
    }
    Check(rows);
}

TEST(EngineRows, ReplacingAnywhere) {
    Check({
        {"no new search across the joint", "aaa\n", Replace({{"aa", "b"}}), "ba\r\n", {1, 1, 0}},
        {"an empty replacement leaves a new occurrence alone",
         "aabb\n",
         Replace({{"ab", ""}}),
         "ab\r\n",
         {1, 1, 0}},
        {"inserted text is not searched again",
         "aa\n",
         Replace({{"a", "aa"}}),
         "aaaa\r\n",
         {1, 2, 0}},
        {"pairs are chained", "ab\n", Replace({{"a", "b"}, {"b", "c"}}), "cc\r\n", {1, 3, 0}},
        {"every occurrence from left to right",
         "welt, welt\n",
         Replace({{"welt", "Welt"}}),
         "Welt, Welt\r\n",
         {1, 2, 0}},
        {"an empty search text never matches", "abc\n", Replace({{"", "x"}}), "abc\r\n", {}},
        {"the same search text twice",
         "aa\n",
         Replace({{"a", "b"}, {"a", "c"}}),
         "bb\r\n",
         {1, 2, 0}},
        {"replacing a by a is a change", "a\n", Replace({{"a", "a"}}), "a\r\n", {1, 1, 0}},
        {"an empty line gets no replacement", "\n", Replace({{"a", "b"}}), "\r\n", {}},
    });
}

TEST(EngineRows, AnchoredModes) {
    auto at = [](PositionMode position, std::int32_t column, ReplacementRow pair) {
        Job job = Replace({std::move(pair)});
        job.position = position;
        job.positionColumn = column;
        return job;
    };
    const auto start = PositionMode::LineStart;
    const auto end = PositionMode::LineEnd;
    const auto column = PositionMode::AtColumn;
    Check({
        {"line start, once", "aaa\nbaa\n", at(start, 0, {"a", "x"}), "xaa\r\nbaa\r\n", {1, 1, 0}},
        {"line start, an empty replacement removes every repetition",
         "   abc \n",
         at(start, 0, {" ", ""}),
         "abc \r\n",
         {1, 3, 0}},
        {"line end, once", "aaa\n", at(end, 0, {"a", "x"}), "aax\r\n", {1, 1, 0}},
        {"line end, must end exactly there",
         "abab_\nabab\n",
         at(end, 0, {"ab", "x"}),
         "abab_\r\nabx\r\n",
         {1, 1, 0}},
        {"line end, an empty replacement still once",
         "aaa\n",
         at(end, 0, {"a", ""}),
         "aa\r\n",
         {1, 1, 0}},
        {"line end, a search text longer than the line",
         "abc\n",
         at(end, 0, {"abcd", "x"}),
         "abc\r\n",
         {}},
        {"column 3",
         "abXYc\naXYbc\n",
         at(column, 3, {"XY", "--"}),
         "ab--c\r\naXYbc\r\n",
         {1, 1, 0}},
        {"column 1 is the line start", "aa\n", at(column, 1, {"a", "x"}), "xa\r\n", {1, 1, 0}},
        {"column 0 never matches", "aa\n", at(column, 0, {"a", "x"}), "aa\r\n", {}},
        {"a negative column never matches", "aa\n", at(column, -2, {"a", "x"}), "aa\r\n", {}},
        {"a column behind the line never matches", "aa\n", at(column, 3, {"a", "x"}), "aa\r\n", {}},
        {"column, an empty replacement looks at the anchor again",
         "abbbc\n",
         at(column, 2, {"b", ""}),
         "ac\r\n",
         {1, 3, 0}},
    });
}

TEST(EngineRows, LetterCaseAndCodings) {
    auto job = [](CodeMode code, bool capsLock, std::vector<ReplacementRow> rows) {
        Job j = Replace(std::move(rows));
        j.code = code;
        j.capsLock = capsLock;
        return j;
    };
    const auto ansi = CodeMode::Ansi;
    const auto oem = CodeMode::Oem;
    Job escapes = job(ansi, true, {{"a\\tb", "a\\x41"}});
    escapes.expandEscape = true;
    Job cut = Replace({{std::string(998, 'z') + "\\t", "X"}});
    cut.expandEscape = true;
    Check({
        {"ignoring case finds every spelling",
         "Welt WELT welt wElT\n",
         job(ansi, true, {{"welt", "Erde"}}),
         "Erde Erde Erde Erde\r\n",
         {1, 4, 0}},
        {"sharp s has no upper case of its own",
         "GR\xDCSSE GR\xDC\xDF"
         "E gr\xFC\xDF"
         "e\n",
         job(ansi, true, {{"grüße", "Grüße"}}),
         "GR\xDCSSE Gr\xFC\xDF"
         "e Gr\xFC\xDF"
         "e\r\n",
         {1, 2, 0}},
        {"the upper case of y and s with diaeresis and caron",
         "\xFF\x9A\x9C\x9E \x9F\x8A\x8C\x8E \xB5\n",
         job(ansi, true, {{"ÿšœž", "1"}, {"µ", "2"}}),
         "1 1 2\r\n",
         {1, 3, 0}},
        {"DOS text ignoring case",
         "\x8ERGER \x84rger\n",
         job(oem, true, {{"ärger", "Ö"}}),
         "\x99 \x99\r\n",
         {1, 2, 0}},
        {"DOS text, exact",
         "\x8ERGER \x84rger\n",
         job(oem, false, {{"ärger", "Ö"}}),
         "\x8ERGER \x99\r\n",
         {1, 1, 0}},
        {"DOS text: the texts are converted, the line is not",
         "\x84 \xE4\n",
         job(oem, false, {{"ä", "ae"}}),
         "ae \xE4\r\n",
         {1, 1, 0}},
        {"the euro sign in code page 1252",
         "5 \x80\n",
         Replace({{"€", "EUR"}}),
         "5 EUR\r\n",
         {1, 1, 0}},
        {"escapes are expanded before upper-casing; replacements keep their case",
         "a\tb A\tB\n",
         escapes,
         "aA aA\r\n",
         {1, 2, 0}},
        {"texts are cut at 999 bytes before escapes are expanded",
         std::string(998, 'z') + "\\t\n",
         cut,
         "Xt\r\n",
         {1, 1, 0}},
    });
}

TEST(EngineRows, Utf8Text) {
    auto utf8 = [](std::vector<ReplacementRow> rows, PositionMode position = PositionMode::Anywhere,
                   std::int32_t column = 0, bool capsLock = false) {
        Job job = Replace(std::move(rows));
        job.code = CodeMode::Utf8;
        job.position = position;
        job.positionColumn = column;
        job.capsLock = capsLock;
        job.expandEscape = true;
        return job;
    };
    const auto anywhere = PositionMode::Anywhere;
    const auto column = PositionMode::AtColumn;
    Check({
        {"umlauts anywhere", "schön, böse\n", utf8({{"ö", "oe"}}), "schoen, boese\r\n", {1, 2, 0}},
        {"greek at the line start",
         "αβα\n",
         utf8({{"α", "Α"}}, PositionMode::LineStart),
         "Αβα\r\n",
         {1, 1, 0}},
        {"cyrillic at the line end",
         "мир мир\n",
         utf8({{"мир", "свет"}}, PositionMode::LineEnd),
         "мир свет\r\n",
         {1, 1, 0}},
        {"a column counts characters",
         "äößx\n",
         utf8({{"ß", "ss"}}, column, 3),
         "äössx\r\n",
         {1, 1, 0}},
        {"a column behind the characters", "äöü\n", utf8({{"x", "y"}}, column, 4), "äöü\r\n", {}},
        {"a stray byte is one column",
         "a\xFF"
         "bcdef\n",
         utf8({{"b", "B"}}, column, 3),
         "a\xFF"
         "Bcdef\r\n",
         {1, 1, 0}},
        {"ignoring case folds whole characters",
         "ÄRGER, Ärger und ärger\n",
         utf8({{"ärger", "Freude"}}, anywhere, 0, true),
         "Freude, Freude und Freude\r\n",
         {1, 3, 0}},
        {"greek ignoring case",
         "σοφία\n",
         utf8({{"ΣΟΦΊΑ", "x"}}, anywhere, 0, true),
         "x\r\n",
         {1, 1, 0}},
        {"cyrillic ignoring case",
         "ПРИВЕТ Привет\n",
         utf8({{"привет", "x"}}, anywhere, 0, true),
         "x x\r\n",
         {1, 2, 0}},
        {"a form of another length is no match: the Kelvin sign",
         "\u212A k K\n",
         utf8({{"k", "x"}}, anywhere, 0, true),
         "\u212A x x\r\n",
         {1, 2, 0}},
        {"case counts unless ignored",
         "Ärger ärger\n",
         utf8({{"ärger", "x"}}),
         "Ärger x\r\n",
         {1, 1, 0}},
        {"a character is never partly matched",
         "5€ a\x82"
         "b\n",
         utf8({{"\\x82\\xAC", "1"}, {"\\xE2\\x82", "2"}, {"\\x82", "x"}}),
         "5€ axb\r\n",
         {1, 1, 0}},
        {"a character given by escapes",
         "5€\n",
         utf8({{"\\xE2\\x82\\xAC", "EUR"}}),
         "5EUR\r\n",
         {1, 1, 0}},
        {"stray bytes ignoring case",
         "\xFF\xFF, more text\n",
         utf8({{"\\xFF", "y"}}, anywhere, 0, true),
         "yy, more text\r\n",
         {1, 2, 0}},
        {"the line end counts characters",
         "aä\n",
         utf8({{"ä", "ae"}}, PositionMode::LineEnd),
         "aae\r\n",
         {1, 1, 0}},
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
        {"lines of 29,997 to 30,000 bytes",
         line(29997, "xxxx") + "\n" + line(29998, "xxxx") + "\n" + line(29999, "xxxx") + "\n" +
             line(30000, "xxxx") + "\n" + line(29999, "xxxx") + "\r\r\n" + zero +
             std::string(29995, 'a') + "\n" + zero + std::string(29994, 'a') + "\n",
         Replace({{"xxxx", "y"}}),
         line(29994, "y") + "\r\n" + line(29995, "y") + "\r\n" + line(29996, "y") + "\r\n" +
             line(30000, "xxxx") + "\r\n" + line(29996, "y") + "\r\n" + zero +
             std::string(29995, 'a') + "\r\n" + "y\0"s + std::string(29994, 'a') + "\r\n",
         {5, 5, 0}},
        {"a line may grow to 29,997 bytes, not to 29,998",
         line(29996, "x") + "\n" + line(29997, "xqx") + "\n",
         Replace({{"x", "yy"}, {"q", "r"}}),
         line(29997, "yy") + "\r\n" + line(29997, "xrx") + "\r\n",
         {2, 2, 0}},
        {"a chained pair meets the limit",
         line(29996, "x") + "\n" + line(29995, "x") + "\n",
         Replace({{"x", "yy"}, {"y", "zz"}}),
         line(29997, "yy") + "\r\n" + line(29997, "zzy") + "\r\n",
         {2, 3, 0}},
        {"a line of several megabytes is written whole",
         "xxxx\n" + huge + "xxxx\r\n",
         Replace({{"xxxx", "y"}}),
         "y\r\n" + huge + "xxxx\r\n",
         {1, 1, 0}},
    });
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
    for (int family = 0; family < 900; ++family) {
        auto focus = family % 2 == 0 ? harness::Focus::Matching : harness::Focus::Lines;
        Job job = harness::GenerateJob(choose, focus);
        for (std::size_t k = 0, n = 1 + choose(4); k < n; ++k) {
            Row row;
            row.name = "generated " + std::to_string(family) + "." + std::to_string(k);
            row.input = harness::GenerateInput(choose, job, focus);
            row.job = job;
            rows.push_back(harness::WithReferenceResult(std::move(row)));
        }
    }
    Check(rows);
}

// Texts the coding cannot hold are refused, with the row and column of the
// first one.
TEST(EngineRows, TextsTheCodingCannotHold) {
    Job job;
    std::string prepared;
    EXPECT_FALSE(PrepareText("Привет", true, job, prepared));
    job.code = CodeMode::Oem;
    EXPECT_FALSE(PrepareText("5 €", true, job, prepared));
    job.code = CodeMode::Utf8;
    EXPECT_TRUE(PrepareText("Привет", true, job, prepared));

    Job refused = Replace({{"ok", "ok"}, {"fine", "Ω"}});
    ReplacementTable table;
    int row = -1;
    int column = -1;
    EXPECT_FALSE(BuildReplacementTable(refused, table, &row, &column));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 1);
    EXPECT_TRUE(table.empty());
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
