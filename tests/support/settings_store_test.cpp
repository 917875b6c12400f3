#include "settings_store.h"
#include "test_support.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

using testing_support::Exists;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

StoreLocation InFile(const std::string& file, const std::string& section = "General") {
    return StoreLocation{RegistryRoot::CurrentUser, {}, file, section};
}

TEST(SettingsStore, MissingFileSectionOrNameGivesTheDefault) {
    TempDir dir;
    StoreLocation missing = InFile(dir / "none.vqp");
    EXPECT_EQ(Velmor_ReadStringFromRegistry(missing, "Files", "dflt"), "dflt");
    EXPECT_EQ(Velmor_ReadLongFromRegistry(missing, "Code", 7), 7);

    WriteFile(dir / "p.vqp", "[Other]\nFiles=x\n[General]\nCode=2\n");
    EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(dir / "p.vqp"), "Files", "d"), "d");
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(dir / "p.vqp", "Nope"), "Code", 1), 1);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(dir / "p.vqp"), "Code", 1), 2);
}

TEST(SettingsStore, WritesKeepEveryOtherLineAndReplaceTheValue) {
    TempDir dir;
    std::string file = dir / "p.vqp";
    const std::string original = "; a comment\n[First]\nA=1\n\n[General]\nCode=1\njunk line\n"
                                 "[Last]\nZ=\\t\n";
    WriteFile(file, original);
    ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file), "Code", 2));
    ASSERT_TRUE(Velmor_WriteStringToRegistry(InFile(file), "Files", " *.txt\t*.c "));
    EXPECT_EQ(ReadFile(file), "; a comment\n[First]\nA=1\n\n[General]\nCode=2\njunk line\n"
                              "Files= *.txt\t*.c \n[Last]\nZ=\\t\n");
    // Values are never trimmed and keep their type.
    EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file), "Files", ""), " *.txt\t*.c ");
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "Code", 0), 2);
    EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file, "Last"), "Z", ""), "\\t");
    // Only the file itself is left: the sibling used for the atomic write is gone.
    EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"p.vqp"});

    // A value that ends in a carriage return of its own (before the CR LF of
    // its line) keeps it when another value is written. Found by fuzzing.
    WriteFile(file, "[General]\r\nOther=x\r\r\nCode=1\r\n");
    ASSERT_EQ(Velmor_ReadStringFromRegistry(InFile(file), "Other", ""), "x\r");
    ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file), "Code", 2));
    EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file), "Other", ""), "x\r");
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "Code", 0), 2);
}

TEST(SettingsStore, NewSectionsAndFilesAreCreated) {
    TempDir dir;
    std::string file = dir / "new.vqp";
    ASSERT_TRUE(Velmor_WriteStringToRegistry(InFile(file), "CompareDate", "01.02.2026"));
    ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file, "Second"), "X", -5));
    EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file), "CompareDate", ""), "01.02.2026");
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file, "Second"), "X", 0), -5);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file, "second"), "x", 0), -5)
        << "section and value names ignore ASCII letter case";
}

TEST(SettingsStore, MalformedFilesNeverCrashAndGiveDefaults) {
    TempDir dir;
    std::string longLine(200000, 'v');
    struct Case {
        const char* name;
        std::string content;
        std::string expectedFiles;
        int expectedCode;
    };
    const Case cases[] = {
        {"CR LF line ends", "[General]\r\nFiles=*.txt\r\nCode=2\r\n", "*.txt", 2},
        {"no final line end", "[General]\nCode=2\nFiles=a", "a", 2},
        {"lines without =", "[General]\nnonsense\n=\nCode\nCode=2\n", "", 2},
        {"binary junk", std::string("\0\xff\xfe[General\n\x01=\x02\n", 16) + "[General]\nCode=x2\n",
         "", 1},
        {"very long line", "[General]\nFiles=" + longLine + "\nCode=2\n", longLine, 2},
        {"non UTF-8", "[General]\nFiles=\xe4\xf6\xfc\nCode=+2\n", "\xe4\xf6\xfc", 2},
        {"number too large", "[General]\nCode=4294967297\n", "", 1},
        {"number with text", "[General]\nCode=12abc\n", "", 1},
        {"empty file", "", "", 1},
        {"header only", "[", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = dir / "m.vqp";
        WriteFile(file, c.content);
        EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file), "Files", ""), c.expectedFiles);
        EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "Code", 1), c.expectedCode);
        // A write into such a file still works and keeps the rest readable.
        ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file), "Position", 4));
        EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "Position", 1), 4);
        EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "Code", 1), c.expectedCode);
    }
}

TEST(SettingsStore, LongValuesKeepTheirRange) {
    EXPECT_EQ(ParseStoredLong("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseStoredLong("-2147483648"), INT32_MIN);
    EXPECT_FALSE(ParseStoredLong("2147483648"));
    EXPECT_FALSE(ParseStoredLong(""));
    EXPECT_FALSE(ParseStoredLong("-"));
    EXPECT_EQ(ParseStoredLong(" 12 "), 12);
    // Leading zeros do not count against the range (found by fuzzing).
    EXPECT_EQ(ParseStoredLong("00000000000000"), 0);
    EXPECT_EQ(ParseStoredLong("-000000000000002147483648"), INT32_MIN);
    EXPECT_FALSE(ParseStoredLong("0000000000000099999999999999999999"));
}

TEST(SettingsStore, GeneratedValuesRoundTrip) {
    TempDir dir;
    std::string file = dir / "r.vqp";
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::string value;
        int length = static_cast<int>(random() % 40);
        for (int k = 0; k < length; ++k) {
            char c = static_cast<char>(random() % 256);
            if (c == '\n' || c == '\r' || c == '\0') {
                c = '=';
            }
            value += c;
        }
        std::string name = "V" + std::to_string(i % 17);
        auto number = static_cast<std::int32_t>(random());
        ASSERT_TRUE(Velmor_WriteStringToRegistry(InFile(file), name, value));
        ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file, "Numbers"), name, number));
        EXPECT_EQ(Velmor_ReadStringFromRegistry(InFile(file), name, "?"), value);
        EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file, "Numbers"), name, 0), number);
    }
}

TEST(SettingsStore, RefusedWritesLeaveTheFileAsItWas) {
    TempDir dir;
    std::string file = dir / "p.vqp";
    WriteFile(file, "[General]\nCode=1\n");
    EXPECT_FALSE(Velmor_WriteStringToRegistry(InFile(file), "Files", "two\nlines"));
    EXPECT_FALSE(Velmor_WriteStringToRegistry(InFile(file), "A=B", "x"));
    EXPECT_FALSE(Velmor_WriteStringToRegistry(InFile(file), "", "x"));
    EXPECT_EQ(ReadFile(file), "[General]\nCode=1\n");
    // A file name that is a directory cannot be written.
    testing_support::MakeDirs(dir / "adir");
    EXPECT_FALSE(Velmor_WriteLongToRegistry(InFile(dir / "adir"), "Code", 1));
    // A file in a directory that does not exist is not created for a profile.
    EXPECT_FALSE(Velmor_WriteLongToRegistry(InFile(dir / "no/such/p.vqp"), "Code", 1));
}

TEST(SettingsStore, BatchWriteIsAllOrNothing) {
    TempDir dir;
    std::string file = dir / "p.vqp";
    ASSERT_TRUE(Velmor_WriteValuesToRegistry(InFile(file), {{"A", "1"}, {"B", "x"}}));
    EXPECT_FALSE(Velmor_WriteValuesToRegistry(InFile(file), {{"A", "2"}, {"B", "bad\n"}}));
    EXPECT_EQ(Velmor_ReadLongFromRegistry(InFile(file), "A", 0), 1);
}

TEST(SettingsStore, PermissionBitsOfAnExistingFileSurviveAWrite) {
    TempDir dir;
    std::string file = dir / "p.vqp";
    WriteFile(file, "[General]\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(Velmor_WriteLongToRegistry(InFile(file), "Code", 2));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SettingsStore, PerUserSettingsLiveBelowXdgConfigHome) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    const std::string key = "Software\\Velmor Software\\Velmor Quintrel";
    EXPECT_EQ(SettingsFilePath(StoreLocation{RegistryRoot::CurrentUser, key, {}, "Settings"}),
              std::string(config) + "/Velmor Software/Velmor Quintrel.ini");
    EXPECT_EQ(Velmor_ReadLongFromHKCU(key, "Settings", "AppLanguage", 49), 49);
    ASSERT_TRUE(Velmor_WriteLongToHKCU(key, "Settings", "AppLanguage", 44));
    EXPECT_EQ(Velmor_ReadLongFromHKCU(key, "Settings", "AppLanguage", 49), 44);
    EXPECT_TRUE(Exists(std::string(config) + "/Velmor Software/Velmor Quintrel.ini"));
    // Parent references in a key never leave the configuration directory.
    EXPECT_EQ(
        SettingsFilePath(StoreLocation{RegistryRoot::CurrentUser, "Software\\..\\..\\x", {}, ""}),
        std::string(config) + "/x.ini");
}

} // namespace
