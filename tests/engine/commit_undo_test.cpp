#include "commit_undo.h"
#include "scripted_ui.h"
#include "string_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::Exists;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// A tree as a run leaves it: each file changed, its old content in its backup.
class CommitUndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            WriteFile(dir / name, std::string("new ") + name);
            WriteFile(dir / (std::string(name) + ".QUINTREL-BACKUP"), std::string("old ") + name);
        }
        log = dir / "changes.log";
        WriteFile(log, dir / "a.txt" + "\r\n" + dir / "b.txt" + "  \r\n" + dir / "c.txt" + "\r\n");
    }
    TempDir dir;
    std::string log;
};

TEST_F(CommitUndoTest, CommitDeletesTheBackups) {
    ScriptedUi ui;
    ::unlink((dir / "b.txt.QUINTREL-BACKUP").c_str()); // a backup already gone is passed over
    EXPECT_TRUE(CommitChanges(log, 3, ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.progressTitles, std::vector<int>{kTitleCommit});
    EXPECT_EQ(ui.progressTotals, std::vector<long>{3});
    EXPECT_EQ(ui.lastProgress, 3);
    EXPECT_EQ(ListTree(dir.path()),
              (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "changes.log"}));
    EXPECT_EQ(ReadFile(dir / "a.txt"), "new a.txt");
}

TEST_F(CommitUndoTest, UndoPutsTheBackupsBack) {
    WriteFile(dir / "b.txt.QUINTREL-TEMP", "leftover"); // deleted first
    ScriptedUi ui;
    EXPECT_TRUE(UndoChanges(log, 3, ui));
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgAllUndone});
    EXPECT_EQ(ui.progressTitles, std::vector<int>{kTitleUndo});
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_EQ(ReadFile(dir / name), std::string("old ") + name);
    }
    EXPECT_EQ(ListTree(dir.path()),
              (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "changes.log"}));
}

TEST_F(CommitUndoTest, UndoAfterTheUserDeletedAChangedFile) {
    ::unlink((dir / "a.txt").c_str());
    ScriptedUi ui;
    UndoChanges(log, 3, ui);
    EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgRenameError, kMsgAllUndone}));
    EXPECT_EQ(ui.messages[0].insert1, dir / "a.txt");
    EXPECT_EQ(ui.messages[0].insert2, dir / "a.txt.QUINTREL-TEMP");
    EXPECT_EQ(ReadFile(dir / "a.txt"), "old a.txt");
}

TEST_F(CommitUndoTest, UndoWithoutABackupKeepsTheChangedContent) {
    ::unlink((dir / "b.txt.QUINTREL-BACKUP").c_str());
    ScriptedUi ui;
    UndoChanges(log, 3, ui);
    EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgRenameError, kMsgAllUndone}));
    EXPECT_EQ(ui.messages[0].insert1, dir / "b.txt.QUINTREL-BACKUP");
    EXPECT_EQ(ui.messages[0].insert2, dir / "b.txt");
    EXPECT_EQ(ReadFile(dir / "b.txt"), "new b.txt");
    EXPECT_EQ(ReadFile(dir / "a.txt"), "old a.txt");
}

TEST_F(CommitUndoTest, UndoLeavesANameThatIsNoRegularFileAsItIs) {
    // A directory stands where the file was: the backup cannot take the name
    // and nothing is deleted to make room.
    ::unlink((dir / "c.txt").c_str());
    testing_support::MakeDirs(dir / "c.txt/inside");
    ScriptedUi ui;
    UndoChanges(log, 3, ui);
    EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgRenameError, kMsgAllUndone}));
    EXPECT_EQ(ui.messages[0].insert1, dir / "c.txt.QUINTREL-BACKUP");
    EXPECT_EQ(ui.messages[0].insert2, dir / "c.txt");
    EXPECT_EQ(ReadFile(dir / "c.txt.QUINTREL-BACKUP"), "old c.txt");
    EXPECT_TRUE(Exists(dir / "c.txt/inside"));
}

TEST_F(CommitUndoTest, AnUnreadableChangeLog) {
    ScriptedUi commit;
    EXPECT_FALSE(CommitChanges(dir / "missing.log", 3, commit));
    EXPECT_EQ(commit.MessageIds(), std::vector<int>{kMsgChangeLogNotOpened});
    EXPECT_EQ(commit.messages[0].insert1, dir / "missing.log");
    ScriptedUi undo;
    EXPECT_FALSE(UndoChanges(dir / "missing.log", 3, undo));
    EXPECT_EQ(undo.MessageIds(), std::vector<int>{kMsgChangeLogNotOpened});
    EXPECT_TRUE(Exists(dir / "a.txt.QUINTREL-BACKUP"));
}

TEST_F(CommitUndoTest, AnEmptyChangeLogStillShowsTheUndoMessage) {
    WriteFile(log, "");
    ScriptedUi ui;
    EXPECT_TRUE(UndoChanges(log, 0, ui));
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgAllUndone});
    EXPECT_EQ(ui.progressTitles, std::vector<int>{kTitleUndo});
    EXPECT_FALSE(ui.progressOpen);
}

} // namespace
