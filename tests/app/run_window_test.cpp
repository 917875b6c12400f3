// A whole run from "Starten": the scan and progress windows, scripted message
// answers, the summary, and the files on disk afterwards.
#include "app_test_support.h"
#include "list_controls.h"
#include "main_controls.h"
#include "progress_indicator.h"
#include "run_window.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"

#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::Exists;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::WriteFile;

struct RunFixture : MainDialogFixture {
    RunFixture() {
        WriteFile(dir / "a.txt", "hello world\n");
        WriteFile(dir / "b.txt", "nothing here\n");
        WriteFile(dir / "c.dat", "hello\n");
        Velmor_FillBox(window->DirectoryList(), {dir.path()});
        Velmor_FillBox(window->FileGroupList(), {"*.txt"});
        ListViewAppendRow(window->ReplacementList(), {"hello", "bye"});
    }
    void Start() {
        QTest::mouseClick(static_cast<QPushButton*>(window->Control(kIdStart)), Qt::LeftButton);
    }
    testing_support::TempDir dir;
    MessageScript messages;
};

TEST(RunFromStart, AcceptKeepsTheChangedFile) {
    RunFixture f;
    f.messages.Answer(kMsgAcceptAll, {6});
    int summaries = 0;
    WhenModal<SummaryDialog>([&](SummaryDialog* summary) {
        ++summaries;
        EXPECT_EQ(GetControlText(*summary, kIdFilesProcessedValue), "2");
        EXPECT_EQ(GetControlText(*summary, kIdFilesChangedValue), "1");
        EXPECT_EQ(GetControlText(*summary, kIdReplacementsMadeValue), "1");
        EXPECT_EQ(summary->ListedFiles(), std::vector<std::string>{f.dir / "a.txt"});
        // Nothing of the main dialog runs while the run is under way.
        f.window->SendCommand(kIdStart, 0);
        QTest::keyClick(f.window.get(), Qt::Key_Escape);
        EXPECT_TRUE(f.window->isVisible());
        summary->SendCommand(kIdCloseSummary, 0);
    });
    f.Start();
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgAcceptAll});
    EXPECT_EQ(ReadFile(f.dir / "a.txt").rfind("bye world", 0), 0u);
    EXPECT_EQ(ReadFile(f.dir / "b.txt"), "nothing here\n");
    EXPECT_EQ(ReadFile(f.dir / "c.dat"), "hello\n");
    EXPECT_EQ(ListTree(f.dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "c.dat"}));
    EXPECT_EQ(f.app.statistics.FilesChanged, 1);
    EXPECT_FALSE(f.app.runUnderWay);
    EXPECT_TRUE(f.window->isVisible());
}

TEST(RunFromStart, UndoGivesBackEveryByte) {
    RunFixture f;
    SetButtonCheck(*f.window, kIdStripTrailingSpaces, 1);
    WriteFile(f.dir / "b.txt", "trailing   \nhello\n");
    WhenModal<SummaryDialog>([&](SummaryDialog* summary) { summary->SendCommand(kIdUndoAll, 0); });
    f.Start();
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgAllUndone});
    EXPECT_EQ(ReadFile(f.dir / "a.txt"), "hello world\n");
    EXPECT_EQ(ReadFile(f.dir / "b.txt"), "trailing   \nhello\n");
    EXPECT_EQ(ListTree(f.dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "c.dat"}));
    EXPECT_EQ(f.app.statistics.FilesChanged, 2);
}

TEST(RunFromStart, NothingToChangeSays2502WithoutSummary) {
    RunFixture f;
    ListViewDeleteAll(f.window->ReplacementList());
    ListViewAppendRow(f.window->ReplacementList(), {"absent", "x"});
    f.Start();
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgNoFileChanged});
    EXPECT_EQ(ReadFile(f.dir / "a.txt"), "hello world\n");
}

TEST(RunFromStart, NoFilesFoundSays2006) {
    RunFixture f;
    Velmor_FillBox(f.window->FileGroupList(), {"*.none"});
    f.Start();
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgNoFilesFound});
}

TEST(RunFromStart, RefusedJobRunsNothing) {
    RunFixture f;
    Velmor_FillBox(f.window->FileGroupList(), {});
    f.Start();
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgNoFileGroup});
    EXPECT_EQ(ReadFile(f.dir / "a.txt"), "hello world\n");
}

TEST(RunWindows, ScanDialogShowsTheFolderAndStops) {
    MainDialogFixture f;
    WindowRunUi ui(*f.window);
    ui.BeginScan();
    ScanDialog* scan = ui.Scan();
    ASSERT_NE(scan, nullptr);
    EXPECT_TRUE(scan->isVisible());
    EXPECT_EQ(scan->windowTitle(), "Dateiliste erstellen");
    EXPECT_EQ(scan->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(ui.ScanProgress("/home/user/texts"));
    EXPECT_EQ(static_cast<QLabel*>(scan->Control(2401))->text(), "/home/user/texts");
    // Assistive technology reads the folder with the text's caption.
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(scan->Control(2401));
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(ToUtf8(seen->text(QAccessible::Name)), "Dateiliste erstellen: /home/user/texts");
    EXPECT_TRUE(ui.ScanProgress("/home/user/texts/sub"));
    EXPECT_EQ(ToUtf8(seen->text(QAccessible::Name)), "Dateiliste erstellen: /home/user/texts/sub");
    QTest::mouseClick(static_cast<QPushButton*>(scan->Control(kIdCancel)), Qt::LeftButton);
    EXPECT_FALSE(ui.ScanProgress("/home/user/more"));
    ui.EndScan();
    EXPECT_EQ(ui.Scan(), nullptr);
}

TEST(RunWindows, ProgressOfARunCanStopThatOfCommitCannot) {
    MainDialogFixture f;
    WindowRunUi ui(*f.window);
    ui.CreateProgress(kTitleRun, 5);
    ASSERT_NE(ui.Progress(), nullptr);
    EXPECT_EQ(ui.Progress()->windowTitle(), QString::fromUtf8("Ersetzungen durchführen"));
    EXPECT_FALSE(ui.ProgressAborted());
    ui.Progress()->close(); // the close box means stop
    EXPECT_TRUE(ui.ProgressAborted());
    ui.DestroyProgress();

    ui.CreateProgress(kTitleCommit, 5);
    EXPECT_EQ(ui.Progress()->findChild<QPushButton*>(), nullptr);
    ui.Progress()->close();
    EXPECT_FALSE(ui.ProgressAborted());
    ui.DestroyProgress();
    EXPECT_EQ(ui.Progress(), nullptr);
}

TEST(RunWindows, ProgressStandsOverTheModalWindowOfTheMoment) {
    MainDialogFixture f;
    WindowRunUi ui(*f.window);
    QDialog summary(f.window.get());
    summary.setWindowModality(Qt::WindowModal);
    summary.show();
    ui.CreateProgress(kTitleUndo, 1);
    EXPECT_EQ(ui.Progress()->parentWidget(), &summary);
    ui.DestroyProgress();
    summary.hide();
    ui.CreateProgress(kTitleRun, 1);
    EXPECT_NE(ui.Progress()->parentWidget(), &summary);
}

} // namespace

// The directory list keeps its entries in the locale's alphabetical order,
// letter case aside (byte order between entries it finds equal), and that
// order is the order of the saved profile and of the scan.
TEST(RunFromStart, TheSortedDirectoriesOrderTheProfileAndTheScan) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    RunFixture f;
    const std::vector<std::string> names = {"b", "B", "z", "Ä", "a", "A"};
    std::string typed;
    for (const std::string& name : names) {
        WriteFile(f.dir / (name + "/x.txt"), "hello\n");
        typed += f.dir / name + ";";
    }
    Velmor_FillBox(f.window->DirectoryList(), {});
    Velmor_FillBoxExtended(f.window->DirectoryList(), ';', typed, kFillClean);
    std::vector<std::string> expected;
    for (const char* name : {"A", "a", "Ä", "B", "b", "z"}) {
        expected.push_back(f.dir / name);
    }
    EXPECT_EQ(BoxEntries(f.window->DirectoryList()), expected);
    {
        FileNameAnswer save(f.dir / "job.vqp");
        f.Click(kIdSaveProfile);
    }
    EXPECT_EQ(ReadProfile(ProfileLocation(f.dir / "job.vqp")).Directories, expected);

    f.messages.Answer(kMsgAcceptAll, {6});
    std::vector<std::string> changed;
    WhenModal<SummaryDialog>([&](SummaryDialog* summary) {
        changed = summary->ListedFiles();
        summary->SendCommand(kIdCloseSummary, 0);
    });
    f.Start();
    for (std::string& directory : expected) {
        directory += "/x.txt";
    }
    EXPECT_EQ(changed, expected);
    QLocale::setDefault(QLocale::c());
}
