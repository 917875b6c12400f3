// Profiles on records: what is saved loads back whole, a file without values
// loads the default job, each dialog remembers its own folder, and failures
// are reported with the file's name.
#include "dialog_test_support.h"
#include "profile.h"
#include "profiles.h"
#include "program_settings.h"
#include "string_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

TEST(Profiles, SavedAndLoadedGivesBackEveryValue) {
    testing_support::TempDir dir;
    MessageScript messages;
    QWidget owner;
    FileNameAnswer answer(dir / "job");
    ASSERT_TRUE(SaveProfile(&owner, ProfileWithEveryValueSet()));
    ASSERT_TRUE(testing_support::Exists(dir / "job.vqp")); // the filter's extension
    FileNameAnswer load(dir / "job.vqp");
    EXPECT_EQ(LoadProfile(&owner), ProfileWithEveryValueSet());
    // Loading and saving remember their folders apart.
    struct Case {
        const FileDialogRequest& request;
        int mode, title;
        const char* section;
    } cases[] = {{answer.requests.at(0), kFileDialogSave, kTitleSaveProfile, "Settings"},
                 {load.requests.at(0), kFileDialogOpen, kTitleLoadProfile, "General"}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.request.mode, c.mode);
        EXPECT_EQ(c.request.titleId, c.title);
        EXPECT_EQ(c.request.filterId, kFilterProfiles);
        EXPECT_EQ(c.request.location.key, kProgramKey);
        EXPECT_EQ(c.request.location.section, c.section);
        EXPECT_EQ(c.request.valueName, "Profile");
        EXPECT_EQ(c.request.owner, &owner);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Profiles, StoredValuesComeBackAsStoredAndMissingOnesAsDefaults) {
    testing_support::TempDir dir;
    QWidget owner;
    WriteFile(dir / "empty.vqp", "[Other]\nDirectories=/x\n");
    WriteFile(dir / "odd.vqp", "[General]\nPosition=3\nDateDependency=9\n");
    FileNameAnswer empty(dir / "empty.vqp");
    EXPECT_EQ(LoadProfile(&owner), Profile{});
    FileNameAnswer odd(dir / "odd.vqp");
    Profile expected;
    expected.Position = 3;
    expected.DateDependency = 9;
    EXPECT_EQ(LoadProfile(&owner), expected);
}

TEST(Profiles, FailuresAreReportedWithTheFileAndChangeNothing) {
    testing_support::TempDir dir;
    MessageScript messages;
    QWidget owner;
    {
        FileNameAnswer answer(dir / "gone.vqp");
        EXPECT_EQ(LoadProfile(&owner), std::nullopt);
    }
    WriteFile(dir / "file", "not a directory");
    std::string path = dir / "file/job.vqp";
    {
        FileNameAnswer answer(path);
        EXPECT_FALSE(SaveProfile(&owner, ProfileWithEveryValueSet()));
    }
    EXPECT_EQ(messages.Ids(), (std::vector<int>{kMsgCannotOpen, kMsgProfileNotSaved}));
    EXPECT_EQ(messages.shown[0].text,
              "Die Datei kann nicht geöffnet werden:\n\n" + dir / "gone.vqp");
    EXPECT_EQ(messages.shown[1].text,
              "Das Profil  '" + path + "'  konnte nicht gespeichert werden.");
    EXPECT_EQ(ReadFile(dir / "file"), "not a directory");
    // Cancelled dialogs do nothing and say nothing.
    messages.shown.clear();
    FileNameAnswer cancel(std::nullopt);
    EXPECT_FALSE(SaveProfile(&owner, ProfileWithEveryValueSet()));
    EXPECT_EQ(LoadProfile(&owner), std::nullopt);
    EXPECT_EQ(cancel.requests.size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
