// Profiles: what the program saves it loads back whole; defaults for missing
// values; failures reported; and the same job as the batch tool runs.
#include "app_test_support.h"
#include "control_rules.h"
#include "dialog_job.h"
#include "file_name_dialog.h"
#include "list_controls.h"
#include "main_controls.h"
#include "profile.h"
#include "profiles.h"
#include "run_job.h"
#include "scripted_run_ui.h"
#include "settings_store.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

// Answers every file-name dialog with `path`, recording the requests.
struct FileNameAnswer {
    explicit FileNameAnswer(std::string path) {
        SetFileNameDialogHook([this, path](const FileDialogRequest& request, const std::string&) {
            requests.push_back(request);
            return std::optional<std::string>(path);
        });
    }
    ~FileNameAnswer() { SetFileNameDialogHook(nullptr); }
    std::vector<FileDialogRequest> requests;
};

void Click(MainDialogWindow& window, int id) {
    static_cast<QPushButton*>(window.Control(id))->click();
}

// Every control a profile holds set away from its default.
void FillEveryControl(MainDialogWindow& w) {
    Velmor_FillBox(w.DirectoryList(), {"/tmp/one", "/tmp/two;three"});
    Velmor_FillBox(w.FileGroupList(), {"*.txt", "read me?.md"});
    ListViewAppendRow(w.ReplacementList(), {"a\\tb", "c\td"});
    ListViewAppendRow(w.ReplacementList(), {"x", ""});
    CheckRadioButton(w, kIdPositionAnywhere, kIdPositionColumnRadio, kIdPositionColumnRadio);
    CheckRadioButton(w, kIdAllFiles, kIdOlder, kIdOlder);
    CheckRadioButton(w, kIdCodeIso, kIdCodeUtf8, kIdCodeUtf8);
    for (int id : {kIdDeleteEmptyLines, kIdStripLeadingSpaces, kIdStripTrailingSpaces,
                   kIdStripLeadingTabs, kIdStripTrailingTabs, kIdSubdirs, kIdExpandEscape,
                   kIdCapsLock, kIdConfirm, kIdKeepLineEnds}) {
        SetButtonCheck(w, id, 1);
    }
    SetButtonCheck(w, kIdPerformReplace, 0);
    SetControlText(w, kIdCompareDate, "24.12.2023");
    SetControlText(w, kIdCompareTime, "18:30:00");
    SetControlText(w, kIdPositionColumn, "5");
    UpdateControlStates(w);
}

TEST(Profiles, SavedAndLoadedGivesBackEveryControl) {
    testing_support::TempDir dir;
    MessageScript messages;
    Profile saved;
    {
        MainDialogFixture f;
        FillEveryControl(*f.window);
        saved = ProfileFromDialog(*f.window);
        FileNameAnswer answer(dir / "job");
        Click(*f.window, kIdSaveProfile);
        ASSERT_EQ(answer.requests.size(), 1u);
        EXPECT_EQ(answer.requests[0].mode, kFileDialogSave);
        EXPECT_EQ(answer.requests[0].titleId, kTitleSaveProfile);
        EXPECT_EQ(answer.requests[0].filterId, kFilterProfiles);
        EXPECT_EQ(answer.requests[0].location.section, "Settings");
    }
    ASSERT_TRUE(testing_support::Exists(dir / "job.vqp"));
    MainDialogFixture fresh;
    SetControlText(*fresh.window, kIdPositionColumn, "12");
    FileNameAnswer answer(dir / "job.vqp");
    Click(*fresh.window, kIdLoadProfile);
    ASSERT_EQ(answer.requests.size(), 1u);
    EXPECT_EQ(answer.requests[0].mode, kFileDialogOpen);
    EXPECT_EQ(answer.requests[0].titleId, kTitleLoadProfile);
    EXPECT_EQ(answer.requests[0].location.section, "General");

    MainDialogWindow& w = *fresh.window;
    EXPECT_EQ(ProfileFromDialog(w), saved);
    EXPECT_EQ(BoxEntries(w.DirectoryList()),
              (std::vector<std::string>{"/tmp/one", "/tmp/two;three"}));
    EXPECT_EQ(ListViewRows(w.ReplacementList()),
              (std::vector<ListRow>{{"a\\tb", "c\td"}, {"x", ""}}));
    EXPECT_TRUE(IsButtonChecked(w, kIdPositionColumnRadio));
    EXPECT_TRUE(IsButtonChecked(w, kIdOlder));
    EXPECT_TRUE(IsButtonChecked(w, kIdCodeUtf8));
    EXPECT_FALSE(IsButtonChecked(w, kIdCodeIso));
    EXPECT_TRUE(IsButtonChecked(w, kIdKeepLineEnds));
    EXPECT_EQ(saved.Code, 4);
    EXPECT_EQ(saved.KeepLineEnds, 1);
    EXPECT_FALSE(IsButtonChecked(w, kIdPerformReplace));
    EXPECT_EQ(GetControlText(w, kIdCompareDate), "24.12.2023");
    EXPECT_EQ(GetControlText(w, kIdPositionColumn), "12"); // the column is no part of a profile
    // The rules follow the loaded state.
    EXPECT_TRUE(w.Control(kIdCompareDate)->isEnabled());
    EXPECT_FALSE(w.Control(kIdAddReplacement)->isEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Profiles, LoadingReplacesTheListsItDoesNotMerge) {
    testing_support::TempDir dir;
    std::string path = dir / "p.vqp";
    Profile stored;
    stored.Directories = {"/from/profile"};
    ASSERT_TRUE(WriteProfile(ProfileLocation(path), stored));
    MainDialogFixture f;
    Velmor_FillBox(f.window->DirectoryList(), {"/by/hand"});
    ListViewAppendRow(f.window->ReplacementList(), {"by", "hand"});
    FileNameAnswer answer(path);
    EXPECT_EQ(LoadProfile(*f.window), 1);
    EXPECT_EQ(BoxEntries(f.window->DirectoryList()), std::vector<std::string>{"/from/profile"});
    EXPECT_EQ(ListViewRowCount(f.window->ReplacementList()), 0);
}

TEST(Profiles, PositionThreeClearsTheGroupAndSavesBackOne) {
    testing_support::TempDir dir;
    std::string path = dir / "p.vqp";
    WriteFile(path, "[General]\nPosition=3\nDateDependency=9\nCode=1\n");
    MainDialogFixture f;
    FileNameAnswer load(path);
    LoadProfile(*f.window);
    for (int id = kIdPositionAnywhere; id <= kIdPositionColumnRadio; ++id) {
        EXPECT_FALSE(IsButtonChecked(*f.window, id)) << id;
    }
    for (int id = kIdAllFiles; id <= kIdOlder; ++id) {
        EXPECT_FALSE(IsButtonChecked(*f.window, id)) << id;
    }
    // Read as the groups' first buttons: the position edit stays grey.
    EXPECT_FALSE(f.window->Control(kIdPositionColumn)->isEnabled());
    EXPECT_FALSE(f.window->Control(kIdCompareDate)->isEnabled());
    EXPECT_EQ(SaveProfile(*f.window), 1);
    StoreLocation location = ProfileLocation(path);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(location, "Position", -5), 1);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(location, "DateDependency", -5), 0);
}

TEST(Profiles, FileWithoutValuesLoadsTheDefaultJob) {
    testing_support::TempDir dir;
    std::string path = dir / "empty.vqp";
    WriteFile(path, "[Other]\nDirectories=/x\n");
    MainDialogFixture f;
    FillEveryControl(*f.window);
    FileNameAnswer answer(path);
    EXPECT_EQ(LoadProfile(*f.window), 1);
    Profile loaded = ProfileFromDialog(*f.window);
    EXPECT_EQ(loaded, Profile{});
    MainDialogFixture untouched;
    for (int id : {kIdCompareDate, kIdCompareTime, kIdAddReplacement, kIdRemoveDirectory}) {
        EXPECT_EQ(f.window->Control(id)->isEnabled(), untouched.window->Control(id)->isEnabled())
            << id;
    }
}

TEST(Profiles, UnreadableFileChangesNothing) {
    testing_support::TempDir dir;
    MessageScript messages;
    MainDialogFixture f;
    FillEveryControl(*f.window);
    Profile before = ProfileFromDialog(*f.window);
    FileNameAnswer answer(dir / "gone.vqp");
    EXPECT_EQ(LoadProfile(*f.window), 2);
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgCannotOpen});
    EXPECT_EQ(messages.shown[0].text,
              "Die Datei kann nicht geöffnet werden:\n\n" + dir / "gone.vqp");
    EXPECT_EQ(ProfileFromDialog(*f.window), before);
}

TEST(Profiles, FailedSaveSays2020AndKeepsTheOldFile) {
    testing_support::TempDir dir;
    MessageScript messages;
    MainDialogFixture f;
    WriteFile(dir / "file", "not a directory");
    std::string path = dir / "file/job.vqp";
    FileNameAnswer answer(path);
    EXPECT_EQ(SaveProfile(*f.window), 2);
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgProfileNotSaved});
    EXPECT_EQ(messages.shown[0].text,
              "Das Profil  '" + path + "'  konnte nicht gespeichert werden.");
    EXPECT_EQ(ReadFile(dir / "file"), "not a directory");
}

TEST(Profiles, CancelledDialogsDoNothing) {
    MainDialogFixture f;
    SetFileNameDialogHook(
        [](const FileDialogRequest&, const std::string&) { return std::optional<std::string>(); });
    FillEveryControl(*f.window);
    Profile before = ProfileFromDialog(*f.window);
    EXPECT_EQ(SaveProfile(*f.window), 2);
    EXPECT_EQ(LoadProfile(*f.window), 2);
    SetFileNameDialogHook(nullptr);
    EXPECT_EQ(ProfileFromDialog(*f.window), before);
}

// A small tree and a job on it, saved as a profile by the program.
struct SharedJob {
    SharedJob() {
        WriteFile(tree / "a.txt", "Hello world\n\n  indented\n");
        WriteFile(tree / "sub/b.txt", "hello HELLO\n");
        WriteFile(tree / "c.md", "hello\n");
        copy = tree.path() + "-copy";
        testing_support::MakeDirs(copy);
        WriteFile(copy + "/a.txt", ReadFile(tree / "a.txt"));
        WriteFile(copy + "/sub/b.txt", ReadFile(tree / "sub/b.txt"));
        WriteFile(copy + "/c.md", ReadFile(tree / "c.md"));
    }
    ~SharedJob() { testing_support::RemoveTree(copy); }
    void Define(MainDialogWindow& w, const std::string& root) {
        Velmor_FillBox(w.DirectoryList(), {root});
        Velmor_FillBox(w.FileGroupList(), {"*.txt"});
        ListViewAppendRow(w.ReplacementList(), {"hello", "bye"});
        SetButtonCheck(w, kIdCapsLock, 1);
        SetButtonCheck(w, kIdSubdirs, 1);
        SetButtonCheck(w, kIdDeleteEmptyLines, 1);
        SetButtonCheck(w, kIdStripLeadingSpaces, 1);
    }
    testing_support::TempDir tree;
    std::string copy;
};

TEST(Profiles, ProgramAndProfileGiveTheEngineTheSameJob) {
    testing_support::TempDir dir;
    SharedJob shared;
    MainDialogFixture f;
    shared.Define(*f.window, shared.tree.path());
    FileNameAnswer answer(dir / "job.vqp");
    ASSERT_EQ(SaveProfile(*f.window), 1);
    EXPECT_EQ(JobFromProfile(ReadProfile(ProfileLocation(dir / "job.vqp"))),
              ReadJobFromDialog(*f.window));
}

#ifdef QUINTREL_BATCH
TEST(Profiles, ProfileSavedByTheProgramRunsTheSameInTheBatchTool) {
    testing_support::TempDir dir;
    MessageScript messages;
    SharedJob shared;
    // The program runs the job on the tree and accepts.
    MainDialogFixture f;
    shared.Define(*f.window, shared.tree.path());
    messages.Answer(kMsgAcceptAll, {6});
    WhenModal<SummaryDialog>(
        [](SummaryDialog* summary) { summary->SendCommand(kIdCloseSummary, 0); });
    Click(*f.window, kIdStart);
    RunStatistics program = f.app.statistics;
    ASSERT_EQ(program.FilesChanged, 2);

    // The same job, saved by the program for the copy, run by the batch tool.
    MainDialogFixture g;
    shared.Define(*g.window, shared.copy);
    FileNameAnswer answer(dir / "job.vqp");
    ASSERT_EQ(SaveProfile(*g.window), 1);
    std::string command = std::string("'") + QUINTREL_BATCH + "' --profile '" + dir / "job.vqp" +
                          "' --accept --json > '" + dir / "out.json" + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFile(dir / "out.json");
    std::string json = ReadFile(dir / "out.json");
    EXPECT_TRUE(std::regex_search(json, std::regex("\"FilesChanged\"\\s*:\\s*2\\b"))) << json;
    for (const char* name : {"a.txt", "sub/b.txt", "c.md"}) {
        EXPECT_EQ(ReadFile(shared.copy + "/" + name), ReadFile(shared.tree / name)) << name;
    }
}
#endif

} // namespace
