#include "code_pages.h"

#include <clocale>
#include <cwctype>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// The UTF-8 form of one byte in `codePage` according to iconv; nothing when
// iconv has no character for it.
std::optional<std::string> IconvToUtf8(const char* codePage, unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv lacks " << codePage;
        return std::nullopt;
    }
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    return std::string(out, sizeof out - outLeft);
}

std::string Byte(unsigned b) {
    return std::string(1, static_cast<char>(b));
}

TEST(CodePages, AnsiIsWindows1252AsIconvDefinesIt) {
    std::vector<unsigned> undefined;
    for (unsigned b = 0; b < 256; ++b) {
        auto expected = IconvToUtf8("CP1252", static_cast<unsigned char>(b));
        if (!expected) {
            undefined.push_back(b);
            // The bytes 1252 leaves undefined stand for the C1 control of that value.
            EXPECT_EQ(codepage::kAnsiToUnicode[b], b);
            continue;
        }
        EXPECT_EQ(AnsiToUtf8(Byte(b)), *expected) << "byte " << b;
    }
    EXPECT_EQ(undefined, (std::vector<unsigned>{0x81, 0x8D, 0x8F, 0x90, 0x9D}));
}

TEST(CodePages, AnsiToOemAgreesWithIconvWhereBothPagesHaveTheCharacter) {
    std::vector<unsigned> withoutCounterpart;
    for (unsigned b = 0; b < 256; ++b) {
        std::string ansi = AnsiToUtf8(Byte(b));
        auto oem = IconvToUtf8("CP850", codepage::kAnsiToOem[b]);
        ASSERT_TRUE(oem) << "code page 850 defines every byte";
        if (codepage::kAnsiHasOemCounterpart[b]) {
            EXPECT_EQ(*oem, ansi) << "byte " << b;
        } else {
            EXPECT_NE(*oem, ansi);
            withoutCounterpart.push_back(b);
        }
    }
    // Exactly the 1252 bytes 0x80-0x9F except 0x83 (f with hook, which 850 has)
    // lack a counterpart: the euro sign, typographic quotes and dashes, the
    // letters Š š Œ œ Ž ž Ÿ and the five undefined bytes.
    std::vector<unsigned> expected;
    for (unsigned b = 0x80; b <= 0x9F; ++b) {
        if (b != 0x83) {
            expected.push_back(b);
        }
    }
    EXPECT_EQ(withoutCounterpart, expected);
    // They are paired with the 850 characters that 1252 lacks (box drawing,
    // blocks, dotless i, double low line), in ascending order.
    EXPECT_EQ(codepage::kAnsiToOem[0x80], 0xB0);
    EXPECT_EQ(codepage::kAnsiToOem[0x8A], 0xBF);
    EXPECT_EQ(codepage::kAnsiToOem[0x98], 0xD5);
    EXPECT_EQ(codepage::kAnsiToOem[0x9F], 0xFE);
}

TEST(CodePages, OemIsCodePage850AsIconvDefinesIt) {
    for (unsigned b = 0; b < 256; ++b) {
        auto expected = IconvToUtf8("CP850", static_cast<unsigned char>(b));
        ASSERT_TRUE(expected) << "code page 850 defines every byte";
        std::string shown;
        AppendUtf8(shown, codepage::kOemToUnicode[b]);
        EXPECT_EQ(shown, *expected) << "byte " << b;
    }
}

TEST(CodePages, ConversionsAreOneToOneAndInverse) {
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ(codepage::kOemToAnsi[codepage::kAnsiToOem[b]], b);
        EXPECT_EQ(codepage::kAnsiToOem[codepage::kOemToAnsi[b]], b);
    }
    std::string text = "Grüße aus Köln";
    std::string ansi;
    ASSERT_TRUE(Utf8ToAnsi(text, ansi));
    std::string oem = ansi;
    AnsiToOem(oem);
    EXPECT_EQ(oem, "Gr\x81\xE1\x65 aus K\x94ln");
    OemToAnsi(oem);
    EXPECT_EQ(oem, ansi);
}

TEST(CodePages, CaseTablesFollowUnicodeWithinTheCodePage) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (unsigned b = 0; b < 256; ++b) {
        wchar_t c = static_cast<wchar_t>(codepage::kAnsiToUnicode[b]);
        wchar_t upper = static_cast<wchar_t>(codepage::kAnsiToUnicode[codepage::kAnsiUpper[b]]);
        wchar_t lower = static_cast<wchar_t>(codepage::kAnsiToUnicode[codepage::kAnsiLower[b]]);
        wchar_t expectedUpper = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
        wchar_t expectedLower = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        // A case partner outside 1252 (µ -> Greek Mu) leaves the byte as it is.
        bool upperInPage = false;
        bool lowerInPage = false;
        for (unsigned k = 0; k < 256; ++k) {
            upperInPage |= codepage::kAnsiToUnicode[k] == static_cast<unsigned>(expectedUpper);
            lowerInPage |= codepage::kAnsiToUnicode[k] == static_cast<unsigned>(expectedLower);
        }
        EXPECT_EQ(upper, upperInPage ? expectedUpper : c) << "byte " << b;
        EXPECT_EQ(lower, lowerInPage ? expectedLower : c) << "byte " << b;
    }
    std::setlocale(LC_CTYPE, "C");
    // The special cases named for the 1252 tables.
    EXPECT_EQ(codepage::kAnsiUpper[0xFF], 0x9F); // ÿ -> Ÿ
    EXPECT_EQ(codepage::kAnsiUpper[0x9A], 0x8A); // š -> Š
    EXPECT_EQ(codepage::kAnsiUpper[0x9C], 0x8C); // œ -> Œ
    EXPECT_EQ(codepage::kAnsiUpper[0x9E], 0x8E); // ž -> Ž
    EXPECT_EQ(codepage::kAnsiUpper[0xDF], 0xDF); // ß stays
    EXPECT_EQ(codepage::kAnsiUpper[0xB5], 0xB5); // µ stays
}

TEST(CodePages, Utf8ToAnsiRefusesWhatTheCodingCannotRepresent) {
    std::string out;
    EXPECT_TRUE(Utf8ToAnsi("€", out));
    EXPECT_EQ(out, "\x80");
    EXPECT_FALSE(Utf8ToAnsi("€", out, true)) << "the euro sign has no place in 850";
    EXPECT_TRUE(Utf8ToAnsi("Ärger", out, true));
    EXPECT_FALSE(Utf8ToAnsi("Привет", out));
    EXPECT_FALSE(Utf8ToAnsi("\xC3", out)) << "truncated UTF-8";
    EXPECT_FALSE(Utf8ToAnsi("\xC0\xAF", out)) << "overlong UTF-8";
    EXPECT_TRUE(Utf8ToAnsi("", out));
    EXPECT_EQ(out, "");
}

} // namespace
