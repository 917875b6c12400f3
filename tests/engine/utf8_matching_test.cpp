#include "reference.h"
#include "replacement_table.h"
#include "utf8_case.h"

#include <gtest/gtest.h>
#include <random>

namespace {

std::pair<std::string, int> ApplyUtf8(std::vector<ReplacementRow> rows, std::string line,
                                      PositionMode position = PositionMode::Anywhere,
                                      std::int32_t column = 0, bool ignoreCase = false) {
    Job job;
    job.code = CodeMode::Utf8;
    job.replace = std::move(rows);
    job.position = position;
    job.positionColumn = column;
    job.capsLock = ignoreCase;
    job.expandEscape = true;
    ReplacementTable table;
    EXPECT_TRUE(BuildReplacementTable(job, table));
    int count = ReplaceInLine(line, kLineCapacity, table);
    return {line, count};
}

TEST(Utf8Matching, UmlautsGreekAndCyrillicInEveryPosition) {
    struct Case {
        const char* name;
        PositionMode position;
        std::int32_t column;
        ReplacementRow row;
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"umlaut anywhere", PositionMode::Anywhere, 0, {"ö", "oe"}, "schön, böse", "schoen, boese"},
        {"greek at line start", PositionMode::LineStart, 0, {"α", "Α"}, "αβα", "Αβα"},
        {"cyrillic at line end", PositionMode::LineEnd, 0, {"мир", "свет"}, "мир мир", "мир свет"},
        {"column counts characters", PositionMode::AtColumn, 3, {"ß", "ss"}, "äößx", "äössx"},
        {"column past the end", PositionMode::AtColumn, 4, {"x", "y"}, "äöü", "äöü"},
        {"column on an invalid byte",
         PositionMode::AtColumn,
         3,
         {"b", "B"},
         "a\xFF"
         "b",
         "a\xFF"
         "B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ApplyUtf8({c.row}, c.line, c.position, c.column).first, c.expected);
    }
}

TEST(Utf8Matching, IgnoringCaseFoldsWholeCharacters) {
    auto [line, count] =
        ApplyUtf8({{"ärger", "Freude"}}, "ÄRGER, Ärger und ärger", PositionMode::Anywhere, 0, true);
    EXPECT_EQ(line, "Freude, Freude und Freude");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ApplyUtf8({{"ΣΟΦΊΑ", "x"}}, "σοφία", PositionMode::Anywhere, 0, true).first, "x");
    EXPECT_EQ(ApplyUtf8({{"привет", "x"}}, "ПРИВЕТ Привет", PositionMode::Anywhere, 0, true).first,
              "x x");
    // Forms of another UTF-8 length are not folded: the Kelvin sign is no K.
    EXPECT_EQ(ApplyUtf8({{"k", "x"}}, "\u212A k K", PositionMode::Anywhere, 0, true).first,
              "\u212A x x");
    // Case is only ignored when asked.
    EXPECT_EQ(ApplyUtf8({{"ärger", "x"}}, "Ärger ärger").first, "Ärger x");
}

TEST(Utf8Matching, ACharacterIsNeverPartlyMatched) {
    // "€" is E2 82 AC; its bytes given by escapes must not match inside it.
    EXPECT_EQ(ApplyUtf8({{"\\x82\\xAC", "x"}}, "5€").first, "5€");
    EXPECT_EQ(ApplyUtf8({{"\\xE2\\x82", "x"}}, "5€").first, "5€");
    EXPECT_EQ(ApplyUtf8({{"\\xE2\\x82\\xAC", "EUR"}}, "5€").first, "5EUR");
    // Stray bytes are characters of their own and match literally.
    EXPECT_EQ(ApplyUtf8({{"\\x82", "x"}}, "a\x82"
                                          "b€")
                  .first,
              "axb€");
    EXPECT_EQ(ApplyUtf8({{"\\xFF", "y"}}, "\xFF\xFF", PositionMode::Anywhere, 0, true).first, "yy");
}

TEST(Utf8Matching, BoundariesOfInvalidText) {
    std::string text = "a\xC3\xA4\x80\xE2\x82";
    std::vector<bool> expected = {true, true, false, true, true, true, true};
    for (std::size_t i = 0; i <= text.size(); ++i) {
        EXPECT_EQ(IsUtf8Boundary(text, i), i >= expected.size() || expected[i]) << i;
    }
    EXPECT_EQ(FoldUtf8Text("straße ǆ ς"), "STRAßE Ǆ Σ");
    EXPECT_EQ(FoldUtf8Char(U'ÿ'), U'Ÿ');
    EXPECT_EQ(FoldVariants(U'Σ'), (std::vector<char32_t>{U'Σ', U'ς', U'σ'}));
}

// UTF-8 matching against a plain reference that works on whole characters.
TEST(Utf8Matching, AgreesWithTheCharacterReference) {
    std::mt19937 random(8080);
    const std::vector<std::string> pieces = {"a", "A",        "ä",    "Ä",    "σ", "Σ",      "ς",
                                             "€", "\xE2\x82", "\x82", "\xFF", "k", "\u212A", " "};
    auto randomText = [&](std::size_t maxPieces) {
        std::string text;
        std::size_t n = random() % (maxPieces + 1);
        for (std::size_t i = 0; i < n; ++i) {
            text += pieces[random() % pieces.size()];
        }
        return text;
    };
    const PositionMode positions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                      PositionMode::LineEnd, PositionMode::AtColumn};
    for (int iteration = 0; iteration < 20000; ++iteration) {
        bool ignoreCase = random() % 2 == 0;
        ReplacementTable table;
        table.settings = LineMatchSettings{ignoreCase, CodeMode::Utf8, positions[random() % 4],
                                           static_cast<std::int32_t>(random() % 6) - 1};
        std::vector<reference::Pair> pairs;
        for (std::size_t p = 0, n = random() % 3 == 0 ? 9 + random() % 8 : 1 + random() % 2; p < n;
             ++p) {
            std::string search = randomText(2);
            if (ignoreCase) {
                search = FoldUtf8Text(search);
            }
            std::string replacement = randomText(2);
            pairs.push_back({search, replacement});
            table.pairs.push_back({SearchPattern::Utf8(search, ignoreCase), replacement});
        }
        if (table.pairs.size() > 8) {
            table.BuildIndex();
        }
        reference::Settings settings{ignoreCase, 4, static_cast<int>(table.settings.position),
                                     table.settings.positionColumn};
        std::string line = randomText(12);
        std::string expected = line;
        int expectedCount = reference::ReplaceInLineUtf8(expected, kLineCapacity, pairs, settings);
        std::string actual = line;
        int actualCount = ReplaceInLine(actual, kLineCapacity, table);
        ASSERT_EQ(actual, expected) << "iteration " << iteration << " line " << line;
        ASSERT_EQ(actualCount, expectedCount) << "iteration " << iteration;
        if (actualCount > 0) {
            ASSERT_TRUE(MayReplaceInLine(line, table));
        }
    }
}

} // namespace
