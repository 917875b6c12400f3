#include "json_report.h"
#include "json_value.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TEST(JsonReport, StringsEscapeWhatJsonNeedsAndKeepUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc", R"("abc")"},
        {"q\"b\\", R"("q\"b\\")"},
        {"l\nt\tc\r", R"("l\nt\tc\r")"},
        {std::string("\x01\x1f\x7f", 3), R"("\u0001\u001f\u007f")"},
        {std::string(1, '\0'), R"("\u0000")"},
        {"Grüße €𝄞", "\"Grüße €𝄞\""},
        {"caf\xe9", R"("caf\udce9")"},                         // Latin-1 byte
        {"a\xc3", R"("a\udcc3")"},                             // cut character
        {"\xc0\xaf", R"("\udcc0\udcaf")"},                     // overlong
        {"\xed\xa0\x80", R"("\udced\udca0\udc80")"},           // an encoded surrogate
        {"\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"}, // beyond U+10FFFF
    };
    for (const auto& [bytes, json] : cases) {
        SCOPED_TRACE(json);
        EXPECT_EQ(JsonString(bytes), json);
    }
}

TEST(JsonReport, AnyBytesComeBackExactly) {
    std::mt19937 random(4);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 256);
        }
        auto value = ParseJson(JsonString(bytes));
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->string, bytes);
    }
}

} // namespace
