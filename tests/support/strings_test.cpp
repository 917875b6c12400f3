#include "velmor_strings.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

// A buffer with guard bytes behind the part the function may use.
struct Guarded {
    char bytes[32];
    Guarded() { std::memset(bytes, '#', sizeof bytes); }
    bool GuardIntact(std::size_t from) const {
        for (std::size_t i = from; i < sizeof bytes; ++i) {
            if (bytes[i] != '#') {
                return false;
            }
        }
        return true;
    }
};

TEST(VelmorStrings, CopyNeverWritesPastSizeAndAlwaysTerminates) {
    struct Case {
        const char* source;
        std::size_t size;
        const char* expected;
        bool fits;
    };
    const Case cases[] = {
        {"hello", 10, "hello", true}, {"hello", 6, "hello", true}, {"hello", 5, "hell", false},
        {"hello", 1, "", false},      {"", 1, "", true},           {nullptr, 4, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source ? c.source : "(null)") + " size " +
                     std::to_string(c.size));
        Guarded g;
        EXPECT_EQ(VelmorCopyString(g.bytes, c.source, c.size), c.fits);
        EXPECT_STREQ(g.bytes, c.expected);
        EXPECT_TRUE(g.GuardIntact(c.size));
    }
    Guarded g;
    EXPECT_FALSE(VelmorCopyString(g.bytes, "x", 0));
    EXPECT_TRUE(g.GuardIntact(0));
}

TEST(VelmorStrings, AppendIsBoundedEvenForAnUnterminatedDestination) {
    Guarded g;
    std::memcpy(g.bytes, "ab", 3);
    EXPECT_TRUE(VelmorAppendString(g.bytes, "cd", 8));
    EXPECT_STREQ(g.bytes, "abcd");
    EXPECT_FALSE(VelmorAppendString(g.bytes, "efghij", 8));
    EXPECT_STREQ(g.bytes, "abcdefg");
    EXPECT_TRUE(g.GuardIntact(8));

    Guarded unterminated; // eight '#' bytes and no terminator within size 8
    EXPECT_FALSE(VelmorAppendString(unterminated.bytes, "x", 8));
    EXPECT_EQ(unterminated.bytes[7], '\0');
    EXPECT_TRUE(unterminated.GuardIntact(8));
}

TEST(VelmorStrings, CutTrailingControlsRemovesEveryByteUpToBlank) {
    std::string text = "C:/x/datei.txt \t\r\n\x01";
    CutTrailingControls(text);
    EXPECT_EQ(text, "C:/x/datei.txt");
    std::string inner = "a b\tc";
    CutTrailingControls(inner);
    EXPECT_EQ(inner, "a b\tc");
    std::string blanks = " \r\n";
    CutTrailingControls(blanks);
    EXPECT_EQ(blanks, "");
    // Bytes above 0x7F are not controls: a UTF-8 name keeps its last byte.
    std::string umlaut = "/tmp/\xC3\xA4";
    CutTrailingControls(umlaut);
    EXPECT_EQ(umlaut, "/tmp/\xC3\xA4");
    char buffer[] = "abc \r\n";
    CutTrailingControls(buffer);
    EXPECT_STREQ(buffer, "abc");
}

TEST(VelmorStrings, NormalizePathKeepsLetterCase) {
    std::string path = "/Home/User/Brief.TXT";
    NormalizePath(path);
    EXPECT_EQ(path, "/Home/User/Brief.TXT");
}

TEST(VelmorStrings, SplitAndJoinAreInverse) {
    std::vector<std::string> items = {"a", "", "b c", ""};
    EXPECT_EQ(SplitAt(JoinWith(items, '\t'), '\t'), items);
    EXPECT_TRUE(SplitAt("", ';').empty());
}

} // namespace
