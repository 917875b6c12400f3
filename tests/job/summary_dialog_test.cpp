// The summary: counters, the changed files, viewing one, and the only two
// ways out (accept after the question, or undo at once) checked on disk.
#include "dialog_test_support.h"
#include "list_controls.h"
#include "scripted_run_ui.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"

#include <QAccessible>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Two changed files with their backups, and the change log naming them.
struct ChangedTree {
    ChangedTree() {
        a = dir / "a.txt";
        b = dir / "sub/b.txt";
        WriteFile(a, "new a\r\n");
        WriteFile(a + ".QUINTREL-BACKUP", "old a\n");
        WriteFile(b, "new b\r\n");
        WriteFile(b + ".QUINTREL-BACKUP", "old b\n");
        log = dir / "log";
        WriteFile(log, a + "\r\n" + b + " \t\r\n");
        statistics = {7, 2, 5, 1234567, -1};
    }
    testing_support::TempDir dir;
    std::string a, b, log;
    RunStatistics statistics;
    LineSettings lines;
};

struct SummaryFixture {
    SummaryFixture() : summary(nullptr, RunSummaryInfo{tree.statistics, tree.log, tree.lines}, ui) {
        summary.show();
    }
    ChangedTree tree;
    ScriptedRunUi ui;
    SummaryDialog summary;
};

TEST(SummaryDialog, ShowsTheCountersInPlainDigitsAndTheFilesInLogOrder) {
    SummaryFixture f;
    // Assistive technology reads each number with its caption.
    struct Case {
        int id;
        const char* text;
        const char* name;
    } cases[] = {{kIdFilesProcessedValue, "7", "Dateien bearbeitet: 7"},
                 {kIdFilesChangedValue, "2", "Dateien verändert: 2"},
                 {kIdLinesChangedValue, "5", "Zeilen geändert: 5"},
                 {kIdReplacementsMadeValue, "1234567", "Ersetzungen durchgeführt: 1234567"},
                 {kIdEmptyLinesRemovedValue, "-1", "Leerzeilen entfernt: -1"},
                 {kIdLinesTooLongValue, "0", "Zeilen zu lang zum Ersetzen: 0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetControlText(f.summary, c.id), c.text);
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(f.summary.Control(c.id));
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(ToUtf8(seen->text(QAccessible::Name)), c.name);
        EXPECT_EQ(ToUtf8(seen->text(QAccessible::Description)), c.text);
    }
    EXPECT_EQ(ToUtf8(f.summary.windowTitle()), "Velmor Quintrel - Zusammenfassung");
    EXPECT_EQ(ControlsWithoutAccessibleName(&f.summary), std::vector<std::string>{});
    EXPECT_EQ(f.summary.ListedFiles(), (std::vector<std::string>{f.tree.a, f.tree.b}));
    EXPECT_EQ(f.summary.ChangedFileList()->currentIndex().row(), 0);
}

TEST(SummaryDialog, CloseAsksAndNoLeavesEverything) {
    SummaryFixture f;
    f.ui.answers[kMsgAcceptAll] = {7, 2};
    QTest::keyClick(&f.summary, Qt::Key_Escape);
    QTest::mouseClick(static_cast<QPushButton*>(f.summary.Control(kIdCloseSummary)),
                      Qt::LeftButton);
    EXPECT_EQ(f.ui.Ids(), (std::vector<int>{kMsgAcceptAll, kMsgAcceptAll}));
    EXPECT_TRUE(f.summary.isVisible());
    EXPECT_TRUE(Exists(f.tree.a + ".QUINTREL-BACKUP"));
    EXPECT_TRUE(Exists(f.tree.b + ".QUINTREL-BACKUP"));
    EXPECT_TRUE(Exists(f.tree.log));
}

TEST(SummaryDialog, YesAcceptsEveryChange) {
    SummaryFixture f;
    f.ui.answers[kMsgAcceptAll] = {6};
    f.summary.close(); // the close box
    EXPECT_FALSE(f.summary.isVisible());
    EXPECT_EQ(f.summary.result(), 1);
    EXPECT_EQ(ReadFile(f.tree.a), "new a\r\n");
    EXPECT_EQ(ReadFile(f.tree.b), "new b\r\n");
    EXPECT_FALSE(Exists(f.tree.a + ".QUINTREL-BACKUP"));
    EXPECT_FALSE(Exists(f.tree.b + ".QUINTREL-BACKUP"));
    EXPECT_EQ(f.ui.Ids(), std::vector<int>{kMsgAcceptAll});
}

TEST(SummaryDialog, UndoRestoresEveryFileWithoutAQuestion) {
    SummaryFixture f;
    QTest::mouseClick(static_cast<QPushButton*>(f.summary.Control(kIdUndoAll)), Qt::LeftButton);
    EXPECT_FALSE(f.summary.isVisible());
    EXPECT_EQ(ReadFile(f.tree.a), "old a\n");
    EXPECT_EQ(ReadFile(f.tree.b), "old b\n");
    EXPECT_EQ(testing_support::ListTree(f.tree.dir.path()),
              (std::vector<std::string>{"a.txt", "log", "sub/b.txt"}));
    EXPECT_EQ(f.ui.Ids(), std::vector<int>{kMsgAllUndone});
    EXPECT_EQ(f.ui.progressTitles, std::vector<int>{kTitleUndo});
    EXPECT_EQ(f.ui.progressTotal, 2);
}

// Undo follows the engine's rule: a backup that cannot take its file's name
// stays, the file keeps its new content, and the user is told; the file
// stays in the list, waiting to be decided.
TEST(SummaryDialog, UndoThatCannotPutABackupBackDeletesNothing) {
    SummaryFixture f;
    const std::string backup = f.tree.a + ".QUINTREL-BACKUP";
    testing_support::ImmutableFile stuck(backup);
    if (!stuck.ok()) {
        GTEST_SKIP() << "the file system or the user cannot make a file immutable";
    }
    QTest::mouseClick(static_cast<QPushButton*>(f.summary.Control(kIdUndoAll)), Qt::LeftButton);
    EXPECT_TRUE(f.summary.isVisible());
    EXPECT_EQ(f.summary.ListedFiles(), std::vector<std::string>{f.tree.a});
    ASSERT_EQ(f.ui.Ids(), (std::vector<int>{kMsgRenameError}));
    EXPECT_EQ(f.ui.shown[0].insert1, backup);
    EXPECT_EQ(f.ui.shown[0].insert2, f.tree.a);
    EXPECT_EQ(ReadFile(f.tree.a), "new a\r\n");
    EXPECT_EQ(ReadFile(backup), "old a\n");
    EXPECT_EQ(ReadFile(f.tree.b), "old b\n");
    EXPECT_EQ(testing_support::ListTree(f.tree.dir.path()),
              (std::vector<std::string>{"a.txt", "a.txt.QUINTREL-BACKUP", "log", "sub/b.txt"}));
}

TEST(SummaryDialog, EnterDoesNothingAndNoButtonIsDefault) {
    SummaryFixture f;
    for (QPushButton* button : f.summary.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    QTest::keyClick(f.summary.ChangedFileList(), Qt::Key_Return);
    QTest::keyClick(&f.summary, Qt::Key_Enter);
    EXPECT_TRUE(f.summary.isVisible());
    EXPECT_TRUE(f.ui.shown.empty());
}

struct OpenHook {
    explicit OpenHook(bool result) {
        SetOpenFileHook([this, result](const std::string& path) {
            opened.push_back(path);
            return result;
        });
    }
    ~OpenHook() { SetOpenFileHook(nullptr); }
    std::vector<std::string> opened;
};

TEST(SummaryDialog, ViewOpensTheSelectedFileOrSays2017) {
    for (bool opens : {true, false}) {
        SCOPED_TRACE(opens);
        SummaryFixture f;
        OpenHook hook(opens);
        f.summary.ChangedFileList()->selectRow(1);
        f.summary.SendCommand(kIdViewFile, 0);
        EXPECT_EQ(hook.opened, std::vector<std::string>{f.tree.b});
        EXPECT_EQ(f.ui.Ids(), opens ? std::vector<int>{} : std::vector<int>{kMsgNoViewer});
        if (!opens) {
            EXPECT_EQ(f.ui.shown[0].insert1, f.tree.b); // the message names the file
        }
        EXPECT_TRUE(f.summary.isVisible());
    }
}

TEST(SummaryDialog, DoubleClickOpensOnceTheClickIsHandled) {
    SummaryFixture f;
    OpenHook hook(true);
    QTableView* list = f.summary.ChangedFileList();
    QRect rect = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_TRUE(hook.opened.empty()); // posted, not yet handled
    QTRY_COMPARE(hook.opened.size(), 1u);
    EXPECT_EQ(hook.opened[0], f.tree.b);
}

TEST(SummaryDialog, UnreadableLogLeavesTheListEmpty) {
    ChangedTree tree;
    std::string missing = tree.dir / "no-log";
    ScriptedRunUi ui;
    OpenHook hook(true);
    SummaryDialog summary(nullptr, RunSummaryInfo{tree.statistics, missing, tree.lines}, ui);
    EXPECT_TRUE(summary.ListedFiles().empty());
    EXPECT_EQ(GetControlText(summary, kIdFilesProcessedValue), "7");
    summary.SendCommand(kIdViewFile, 0);
    EXPECT_TRUE(hook.opened.empty());
    EXPECT_TRUE(ui.shown.empty());
}

} // namespace
