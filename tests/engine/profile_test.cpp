#include "profile.h"
#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

Profile RichProfile() {
    Profile p;
    p.Directories = {"/home/u/a dir", "/srv/x;y", "C:\\old\\path"};
    p.Files = {"*.txt", "brief ?.doc"};
    p.Replace = {{"a\\tb", "c\\nd"},         // escape notation typed by the user stays as typed
                 {"tab\there", "lf\nthere"}, // real control characters survive too
                 {"back\\\\slash", ""},
                 {"", "only replacement"},
                 {"Grüße", "€ 5"}};
    p.Position = 8;
    p.DateDependency = 2;
    p.Code = 2;
    p.PerformReplace = 0;
    p.DeleteEmptyLines = 1;
    p.StripLeadingSpaces = 1;
    p.StripTrailingSpaces = 0;
    p.StripLeadingTabs = 1;
    p.StripTrailingTabs = 1;
    p.Subdirs = 1;
    p.ExpandEscape = 1;
    p.CapsLock = 1;
    p.Confirm = 1;
    p.CompareDate = " 01.02.2026 ";
    p.CompareTime = "7:30";
    p.KeepLineEnds = 1;
    p.Regex = 1;
    return p;
}

TEST(Profiles, EveryValueRoundTrips) {
    TempDir dir;
    StoreLocation location = ProfileLocation(dir / "job.vqp");
    Profile profile = RichProfile();
    ASSERT_TRUE(WriteProfile(location, profile));
    EXPECT_EQ(ReadProfile(location), profile);
    // The file holds each value once, in the documented order, every list
    // text on one line.
    std::vector<std::string> names;
    for (const std::string& line : testing_support::ReadLines(dir / "job.vqp")) {
        names.push_back(line.substr(0, line.find('=')));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"[General]",
                                               "Directories",
                                               "Files",
                                               "Replace",
                                               "Position",
                                               "DateDependency",
                                               "Code",
                                               "PerformReplace",
                                               "DeleteEmptyLines",
                                               "StripLeadingSpaces",
                                               "StripTrailingSpaces",
                                               "StripLeadingTabs",
                                               "StripTrailingTabs",
                                               "Subdirs",
                                               "ExpandEscape",
                                               "CapsLock",
                                               "Confirm",
                                               "CompareDate",
                                               "CompareTime",
                                               "KeepLineEnds",
                                               "Regex"}));
}

TEST(Profiles, EmptyListsAndMissingValues) {
    TempDir dir;
    StoreLocation location = ProfileLocation(dir / "empty.vqp");
    ASSERT_TRUE(WriteProfile(location, Profile{}));
    Profile loaded = ReadProfile(location);
    EXPECT_EQ(loaded, Profile{});
    EXPECT_TRUE(loaded.Replace.empty());

    WriteFile(dir / "none.vqp", "[Other]\nPosition=4\n");
    Profile defaults = ReadProfile(ProfileLocation(dir / "none.vqp"));
    EXPECT_EQ(defaults, Profile{});
    Job job = JobFromProfile(defaults);
    EXPECT_EQ(job, Job{}) << "a file holding none of the values is the empty default job";
    EXPECT_EQ(ReadProfile(ProfileLocation(dir / "missing.vqp")), Profile{});
}

TEST(Profiles, MalformedValuesLoadAsDefaults) {
    TempDir dir;
    WriteFile(dir / "bad.vqp", std::string("[General]\nPosition=abc\nCode=\nConfirm=99999999999\n"
                                           "Replace=\\x\nDirectories=\\\nCapsLock= 1 \n") +
                                   std::string("\0\xff\n", 3) +
                                   "CompareDate=" + std::string(300, '9') + "\n");
    Profile p = ReadProfile(ProfileLocation(dir / "bad.vqp"));
    EXPECT_EQ(p.Position, 1);
    EXPECT_EQ(p.Code, 1);
    EXPECT_EQ(p.Confirm, 0);
    EXPECT_EQ(p.CapsLock, 1);
    EXPECT_EQ(p.Replace, (std::vector<ReplacementRow>{{"\\x", ""}}));
    EXPECT_EQ(p.Directories, std::vector<std::string>{"\\"});
    EXPECT_EQ(p.CompareDate.size(), 99u) << "a date text holds at most 99 characters";
}

TEST(Profiles, NumbersNoRadioHoldsMapToTheFirstButtonForARun) {
    Profile p;
    p.Position = 3;
    p.DateDependency = 7;
    p.Code = -1;
    Job job = JobFromProfile(p, 12);
    EXPECT_EQ(job.position, PositionMode::Anywhere);
    EXPECT_EQ(job.dateDependency, DateDependency::AllFiles);
    EXPECT_EQ(job.code, CodeMode::Ansi);
    EXPECT_EQ(job.positionColumn, 12);
    // The job and the profile carry the same values both ways (the column is
    // no part of a profile).
    Profile rich = RichProfile();
    EXPECT_EQ(ProfileFromJob(JobFromProfile(rich, 5)), rich);
}

TEST(Profiles, LargeJobsAreSavedWhole) {
    TempDir dir;
    Profile p;
    for (int i = 0; i < 10000; ++i) {
        p.Replace.push_back({"search " + std::to_string(i), "replacement\t" + std::to_string(i)});
        p.Directories.push_back("/dir/" + std::to_string(i));
    }
    StoreLocation location = ProfileLocation(dir / "large.vqp");
    ASSERT_TRUE(WriteProfile(location, p));
    EXPECT_EQ(ReadProfile(location), p);
}

TEST(Profiles, AFailedSaveLeavesTheOldFileWhole) {
    TempDir dir;
    std::string file = dir / "job.vqp";
    ASSERT_TRUE(WriteProfile(ProfileLocation(file), RichProfile()));
    std::string before = ReadFile(file);
    Profile bad = RichProfile();
    bad.CompareDate = "line\nbreak"; // cannot stand in one value
    EXPECT_FALSE(WriteProfile(ProfileLocation(file), bad));
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_FALSE(WriteProfile(ProfileLocation(dir / "no/such/dir.vqp"), RichProfile()));
}

} // namespace
