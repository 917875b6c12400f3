#include "file_names.h"
#include "test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {

TEST(FileNames, TemporaryNamesAreCreatedUniqueAndInTmpdir) {
    std::string tmpdir = std::getenv("TMPDIR");
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::error_code error;
        std::string name = CreateTemporaryFileName("VQP", error);
        ASSERT_FALSE(error);
        EXPECT_EQ(name.rfind(tmpdir + "/VQP", 0), 0u) << name;
        EXPECT_TRUE(testing_support::Exists(name)) << "the file is created, not only named";
        EXPECT_TRUE(names.insert(name).second);
    }
    char buffer[512];
    ASSERT_TRUE(CreateTemporaryFileName(buffer, sizeof buffer, "VQP"));
    EXPECT_TRUE(testing_support::Exists(buffer));
    char tiny[8];
    EXPECT_FALSE(CreateTemporaryFileName(tiny, sizeof tiny, "VQP"));
    EXPECT_STREQ(tiny, "");
}

TEST(FileNames, TemporaryNameFailsInAMissingDirectory) {
    std::string saved = std::getenv("TMPDIR");
    ::setenv("TMPDIR", "/nonexistent/quintrel", 1);
    std::error_code error;
    EXPECT_EQ(CreateTemporaryFileName("VQP", error), "");
    EXPECT_TRUE(error);
    ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST(FileNames, StripAndAssemble) {
    EXPECT_EQ(Velmor_StripFileName("/home/u/brief.txt"), "/home/u");
    EXPECT_EQ(Velmor_StripFileName("/home/u/"), "/home/u");
    EXPECT_EQ(Velmor_StripFileName("/brief.txt"), "/");
    EXPECT_EQ(Velmor_StripFileName("brief.txt"), "");
    EXPECT_EQ(Velmor_Assemble_FileName("/home/u", "*", "*"), "/home/u/*.*");
    EXPECT_EQ(Velmor_Assemble_FileName("/home/u/", "a", ""), "/home/u/a");
    EXPECT_EQ(Velmor_Assemble_FileName("", "a", "txt"), "a.txt");
    EXPECT_EQ(Velmor_StripFileName(Velmor_Assemble_FileName("/x y/z", "*", "*")), "/x y/z");
}

TEST(FileNames, DoesFileExist) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir / "f", "x");
    EXPECT_TRUE(Velmor_DoesFileExist(dir / "f"));
    EXPECT_FALSE(Velmor_DoesFileExist(dir / "g"));
    EXPECT_FALSE(Velmor_DoesFileExist(dir.path()));
    EXPECT_FALSE(Velmor_DoesFileExist(""));
}

} // namespace
