// The main dialog's commands with real clicks: its buttons and the
// replacement list's menu and double click reach their dialogs and fill its
// lists; profiles are loaded into and saved from its controls; and a profile
// it saved runs the same in the batch tool.
#include "app_test_support.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "main_job.h"
#include "replacement_list.h"
#include "replacement_tester.h"
#include "settings_store.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;
using Entries = std::vector<std::string>;
using Rows = std::vector<ListRow>;

// Puts the texts into the edits of the modal dialog of type T that opens
// next and presses OK.
template <class T> void AnswerNext(std::vector<std::pair<int, const char*>> texts) {
    WhenModal<T>([texts](T* dialog) {
        for (const auto& [id, text] : texts) {
            dialog->template ControlAs<QLineEdit>(id)->setText(ToQString(text));
        }
        dialog->SendCommand(kIdOk, kNotifyClicked);
    });
}

// Chooses `item` from the context menu that opens next (closes it when the
// item is disabled), recording which items were enabled.
struct MenuAnswer {
    explicit MenuAnswer(int item) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, timer, item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            QAction* target = nullptr;
            for (QAction* action : menu->actions()) {
                enabled[action->data().toInt()] = action->isEnabled();
                target = action->data().toInt() == item ? action : target;
            }
            if (target != nullptr && target->isEnabled()) {
                menu->setActiveAction(target);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
        timer->start();
    }
    std::map<int, bool> enabled;
};

void RightClick(QAbstractItemView* view, QPoint where = {10, 10}) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, view->viewport()->mapToGlobal(where));
    QApplication::sendEvent(view->viewport(), &event);
}

void DoubleClick(QAbstractItemView* view, QPoint where) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, where);
}

TEST(MainCommands, TheButtonsFillTheListsAndRemoveFromThem) {
    MainDialogFixture f;
    MessageScript messages;
    AnswerNext<AddDirectoryDialog>({{kIdDirectoryEdit, "/tmp/b;/tmp/a"}});
    f.Click(kIdAddDirectory);
    AnswerNext<AddWildcardDialog>({{kIdFileGroupEdit, "*.txt"}});
    f.Click(kIdAddFileGroup);
    AnswerNext<ReplacementDialog>({{kIdSearchEdit, "a"}, {kIdReplacementEdit, "b"}});
    f.Click(kIdAddReplacement);
    AnswerNext<ReplacementDialog>({{kIdSearchEdit, "A"}, {kIdReplacementEdit, "c"}});
    f.Click(kIdEditReplacement);
    QListWidget* directories = f.window->DirectoryList();
    EXPECT_EQ(BoxEntries(directories), (Entries{"/tmp/a", "/tmp/b"}));
    EXPECT_EQ(BoxEntries(f.window->FileGroupList()), Entries{"*.txt"});
    EXPECT_EQ(ListViewRows(f.window->ReplacementList()), (Rows{{"A", "c"}}));
    Velmor_SetBoxIndex(directories, 0);
    f.Click(kIdRemoveDirectory);
    EXPECT_EQ(BoxEntries(directories), Entries{"/tmp/b"});
    EXPECT_TRUE(f.window->Control(kIdRemoveDirectory)->isEnabled());
    f.Click(kIdRemoveDirectory);
    EXPECT_EQ(Velmor_GetBoxCount(directories), 0);
    EXPECT_FALSE(f.window->Control(kIdRemoveDirectory)->isEnabled());
    f.Click(kIdRemoveReplacement);
    EXPECT_EQ(ListViewRowCount(f.window->ReplacementList()), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainCommands, TheReplacementListsMenuAndDoubleClick) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    for (const char* s : {"a", "b", "c"}) {
        ListViewAppendRow(list, {s, ""});
    }
    ListViewSelectRow(list, 0);
    ListViewSelectRow(list, 2);
    MenuAnswer remove(kMenuDelete);
    RightClick(list);
    EXPECT_EQ(remove.enabled, (std::map<int, bool>{{kMenuDelete, true},
                                                   {kMenuEdit, false},
                                                   {kMenuAddReplacement, true},
                                                   {kMenuTest, true}}));
    EXPECT_EQ(ListViewRows(list), (Rows{{"b", ""}}));
    EXPECT_FALSE(f.window->Control(kIdRemoveReplacement)->isEnabled());

    MenuAnswer add(kMenuAddReplacement);
    AnswerNext<ReplacementDialog>({{kIdSearchEdit, "new"}, {kIdReplacementEdit, "pair"}});
    RightClick(list);
    MenuAnswer edit(kMenuEdit);
    AnswerNext<ReplacementDialog>({{kIdSearchEdit, "changed"}});
    RightClick(list); // the new row is selected
    EXPECT_TRUE(edit.enabled[kMenuEdit]);
    EXPECT_EQ(ListViewRows(list), (Rows{{"b", ""}, {"changed", "pair"}}));

    AnswerNext<ReplacementDialog>({{kIdSearchEdit, "z"}, {kIdReplacementEdit, "y"}});
    list->clearSelection();
    DoubleClick(list, list->visualItemRect(list->item(0, 0)).center());
    EXPECT_EQ(ListViewRow(list, 0), ListRow("z", "y"));

    // The same on a list box: nothing opens, nothing changes.
    QListWidget* box = f.window->DirectoryList();
    Velmor_FillBox(box, {"/a"});
    QPoint item = box->visualItemRect(box->item(0)).center();
    DoubleClick(box, item);
    RightClick(box, item);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(BoxEntries(box), Entries{"/a"});
    EXPECT_TRUE(messages.shown.empty());
}

// The tester works on the job as the dialog holds it (here regular
// expressions in UTF-8) and leaves the job as it was.
TEST(MainCommands, TheTesterShowsTheJobOfTheDialogAndChangesNothing) {
    MainDialogFixture f;
    MessageScript messages;
    MainDialogWindow& w = *f.window;
    ListViewAppendRow(w.ReplacementList(), {"(\\d+)$", "<$1>"});
    SetButtonCheck(w, kIdRegex, 1);
    CheckRadioButton(w, kIdCodeIso, kIdCodeUtf8, kIdCodeUtf8);
    const Profile before = ProfileFromDialog(w);
    std::string shown;
    WhenModal<ReplacementTesterDialog>([&](ReplacementTesterDialog* tester) {
        tester->ControlAs<QPlainTextEdit>(kIdSampleLines)
            ->insertPlainText(QStringLiteral("ä 12 34"));
        shown = ToUtf8(tester->ResultText());
        QTest::keyClick(tester, Qt::Key_Escape);
    });
    f.Click(kIdTestReplacements);
    EXPECT_NE(shown.find("ä 12 <34>"), std::string::npos) << shown;
    EXPECT_EQ(ProfileFromDialog(w), before);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainCommands, LoadShowsEveryValueAndSaveWritesThemBack) {
    testing_support::TempDir dir;
    MessageScript messages;
    ASSERT_TRUE(WriteProfile(ProfileLocation(dir / "in.vqp"), ProfileWithEveryValueSet()));
    MainDialogFixture f;
    MainDialogWindow& w = *f.window;
    Velmor_FillBox(w.DirectoryList(), {"/by/hand"});
    ListViewAppendRow(w.ReplacementList(), {"by", "hand"});
    SetControlText(w, kIdPositionColumn, "12");
    {
        FileNameAnswer load(dir / "in.vqp");
        f.Click(kIdLoadProfile);
    }
    // The lists are replaced, not merged; the column is no part of a profile.
    EXPECT_EQ(BoxEntries(w.DirectoryList()), (Entries{"/tmp/one", "/tmp/two;three"}));
    EXPECT_EQ(BoxEntries(w.FileGroupList()), (Entries{"*.txt", "read me?.md"}));
    EXPECT_EQ(ListViewRows(w.ReplacementList()), (Rows{{"a\\tb", "c\td"}, {"x", ""}}));
    for (int id :
         {kIdPositionColumnRadio, kIdOlder, kIdCodeUtf8, kIdDeleteEmptyLines, kIdStripLeadingSpaces,
          kIdStripTrailingSpaces, kIdStripLeadingTabs, kIdStripTrailingTabs, kIdSubdirs,
          kIdExpandEscape, kIdCapsLock, kIdConfirm, kIdKeepLineEnds, kIdRegex}) {
        EXPECT_TRUE(IsButtonChecked(w, id)) << id;
    }
    for (int id : {kIdPerformReplace, kIdCodeIso, kIdPositionAnywhere, kIdAllFiles}) {
        EXPECT_FALSE(IsButtonChecked(w, id)) << id;
    }
    EXPECT_EQ(GetControlText(w, kIdCompareDate), "24.12.2023");
    EXPECT_EQ(GetControlText(w, kIdCompareTime), "18:30:00");
    EXPECT_EQ(GetControlText(w, kIdPositionColumn), "12");
    EXPECT_TRUE(w.Control(kIdCompareDate)->isEnabled());
    EXPECT_FALSE(w.Control(kIdAddReplacement)->isEnabled());
    // Start and "Profil speichern..." read back what was loaded.
    EXPECT_EQ(ReadJobFromDialog(w), JobFromProfile(ProfileWithEveryValueSet(), 12));
    {
        FileNameAnswer save(dir / "out.vqp");
        f.Click(kIdSaveProfile);
    }
    EXPECT_EQ(ReadProfile(ProfileLocation(dir / "out.vqp")), ProfileWithEveryValueSet());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainCommands, NumbersNoButtonHoldsClearTheGroupAndTheRulesFollowTheLoad) {
    testing_support::TempDir dir;
    std::string path = dir / "odd.vqp";
    WriteFile(path, "[General]\nPosition=3\nCode=7\nDateDependency=1\nPerformReplace=0\n");
    MainDialogFixture f;
    FileNameAnswer answer(path);
    f.Click(kIdLoadProfile);
    for (int id : {kIdPositionAnywhere, kIdPositionLineStart, kIdPositionLineEnd,
                   kIdPositionColumnRadio, kIdCodeIso, kIdCodeAscii, kIdCodeUtf8}) {
        EXPECT_FALSE(IsButtonChecked(*f.window, id)) << id;
    }
    // No edit's text changed, yet the rules follow the loaded state.
    EXPECT_TRUE(f.window->Control(kIdCompareDate)->isEnabled());
    EXPECT_FALSE(f.window->Control(kIdAddReplacement)->isEnabled());
    // Read as the groups' first buttons.
    f.Click(kIdSaveProfile);
    StoreLocation location = ProfileLocation(path);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(location, "Position", -5), 1);
    EXPECT_EQ(Velmor_ReadLongFromRegistry(location, "Code", -5), 1);
}

#ifdef QUINTREL_BATCH
// A small tree and a job on it, defined in a main dialog.
struct SharedJob {
    SharedJob() {
        WriteFile(tree / "a.txt", "Hello world\n\n  indented\n");
        WriteFile(tree / "sub/b.txt", "hello HELLO\n");
        WriteFile(tree / "c.md", "hello\n");
        copy = tree.path() + "-copy";
        for (const char* name : {"a.txt", "sub/b.txt", "c.md"}) {
            WriteFile(copy + "/" + name, ReadFile(tree / name));
        }
    }
    ~SharedJob() { testing_support::RemoveTree(copy); }
    void Define(MainDialogWindow& w, const std::string& root) {
        Velmor_FillBox(w.DirectoryList(), {root});
        Velmor_FillBox(w.FileGroupList(), {"*.txt"});
        ListViewAppendRow(w.ReplacementList(), {"hello", "bye"});
        for (int id :
             {kIdCapsLock, kIdSubdirs, kIdDeleteEmptyLines, kIdStripLeadingSpaces, kIdRegex}) {
            SetButtonCheck(w, id, 1);
        }
    }
    testing_support::TempDir tree;
    std::string copy;
};

TEST(MainCommands, AProfileSavedByTheProgramRunsTheSameInTheBatchTool) {
    testing_support::TempDir dir;
    MessageScript messages;
    SharedJob shared;
    // The program runs the job on the tree and accepts.
    MainDialogFixture f;
    shared.Define(*f.window, shared.tree.path());
    messages.Answer(kMsgAcceptAll, {6});
    WhenModal<SummaryDialog>(
        [](SummaryDialog* summary) { summary->SendCommand(kIdCloseSummary, 0); });
    f.Click(kIdStart);
    ASSERT_EQ(f.app.statistics.FilesChanged, 2);

    // The same job, saved by the program for the copy, run by the batch tool.
    MainDialogFixture g;
    shared.Define(*g.window, shared.copy);
    FileNameAnswer answer(dir / "job.vqp");
    g.Click(kIdSaveProfile);
    std::string command = std::string("'") + QUINTREL_BATCH + "' --profile '" + dir / "job.vqp" +
                          "' --accept --json > '" + dir / "out.json" + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFile(dir / "out.json");
    std::string json = ReadFile(dir / "out.json");
    QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    EXPECT_EQ(report.value(QStringLiteral("FilesChanged")).toInt(), 2) << json;
    for (const char* name : {"a.txt", "sub/b.txt", "c.md"}) {
        EXPECT_EQ(ReadFile(shared.copy + "/" + name), ReadFile(shared.tree / name)) << name;
    }
}
#endif

} // namespace
