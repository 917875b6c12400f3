#include "escape_notation.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::string Decoded(std::string text) {
    Velmor_DecodeString(text);
    return text;
}

TEST(EscapeNotation, DecodesTheDocumentedEscapes) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"tab", "a\\tb", "a\tb"},
        {"line feed", "a\\nb", "a\nb"},
        {"carriage return", "\\r", "\r"},
        {"backslash", "\\\\", "\\"},
        {"hex lower", "\\x41\\x7e", "A~"},
        {"hex upper", "\\xFF", "\xFF"},
        {"x00 stays", "\\x00", "\\x00"},
        {"one hex digit", "\\x4", "\\x4"},
        {"hex at end", "ab\\x4", "ab\\x4"},
        {"bad hex", "\\xG1", "\\xG1"},
        {"unknown escape", "\\q\\d", "\\q\\d"},
        {"lone backslash at end", "abc\\", "abc\\"},
        {"escaped backslash before n", "\\\\n", "\\n"},
        {"windows path", "C:\\temp\\neu", "C:\temp\neu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decoded(c.input), c.expected);
    }
}

TEST(EscapeNotation, DecodingInPlaceOnACharBufferTerminates) {
    char buffer[] = "x\\ty\\x42";
    EXPECT_EQ(Velmor_DecodeString(buffer), 4u);
    EXPECT_STREQ(buffer, "x\tyB");
    EXPECT_EQ(Velmor_DecodeString(static_cast<char*>(nullptr)), 0u);
}

TEST(EscapeNotation, EncodedFormIsOneLineAndDecodesBackForEveryByte) {
    for (int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        std::string original = "a" + std::string(1, static_cast<char>(b)) + "\\x41";
        std::string encoded = Velmor_EncodeString(original);
        EXPECT_EQ(encoded.find_first_of("\r\n\t"), std::string::npos);
        for (char c : encoded) {
            auto u = static_cast<unsigned char>(c);
            EXPECT_TRUE(u >= 0x20 && u != 0x7F);
        }
        EXPECT_EQ(Decoded(encoded), original);
    }
}

TEST(EscapeNotation, RoundTripAndNeverLengthensOnRandomText) {
    std::mt19937 random(20261207);
    const std::string alphabet = std::string("\\xnrt0aF9\t\r\n\x01\x7f\xc3\xa4 ") + "\x80";
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        int length = static_cast<int>(random() % 24);
        for (int k = 0; k < length; ++k) {
            text += alphabet[random() % alphabet.size()];
        }
        SCOPED_TRACE(text);
        EXPECT_EQ(Decoded(Velmor_EncodeString(text)), text);
        EXPECT_LE(Decoded(text).size(), text.size());
    }
}

} // namespace
