// The directory and file-group lists: typing into the entry dialogs with the
// forbidden-character filter, splitting at ";", the chooser, and removing.
#include "app_test_support.h"
#include "control_rules.h"
#include "desktop.h"
#include "file_name_dialog.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "string_table.h"
#include "test_support.h"

#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

struct BeepCounter {
    BeepCounter() {
        SetBeepHook([this] { ++beeps; });
    }
    ~BeepCounter() { SetBeepHook(nullptr); }
    int beeps = 0;
};

template <class Dialog> struct EntryFixture : MainDialogFixture {
    EntryFixture() : dialog(*window) {
        dialog.show();
        edit = dialog.template findChild<QLineEdit*>();
    }
    Dialog dialog;
    QLineEdit* edit = nullptr;
    BeepCounter beeper;
    MessageScript messages;
};

TEST(ForbiddenCharacters, ContainsNoneOf) {
    EXPECT_TRUE(ContainsNoneOf("/home/user/my dir", ForbiddenDirectoryChars));
    EXPECT_FALSE(ContainsNoneOf("/home/*", ForbiddenDirectoryChars));
    EXPECT_TRUE(ContainsNoneOf("", "*"));
    EXPECT_FALSE(ContainsNoneOf(nullptr, "*"));
    EXPECT_FALSE(ContainsNoneOf("abc", nullptr));
    EXPECT_TRUE(ContainsNoneOf("abc", ""));
}

TEST(ForbiddenCharacters, TheTwoSets) {
    struct Case {
        char c;
        bool inDirectories;
        bool inFileGroups;
    } cases[] = {{'"', false, false}, {'%', false, false}, {'#', false, false}, {'(', false, false},
                 {')', false, false}, {'+', false, false}, {'!', false, false}, {'{', false, false},
                 {'|', false, false}, {'}', false, false}, {'[', false, false}, {']', false, false},
                 {',', false, false}, {'*', false, true},  {'?', false, true},  {'\\', true, false},
                 {':', true, false},  {'/', true, false},  {';', true, true},   {' ', true, true},
                 {'.', true, true}};
    for (const Case& c : cases) {
        char text[2] = {c.c, '\0'};
        EXPECT_EQ(ContainsNoneOf(text, ForbiddenDirectoryChars), c.inDirectories) << c.c;
        EXPECT_EQ(ContainsNoneOf(text, ForbiddenFileGroupChars), c.inFileGroups) << c.c;
    }
}

TEST(EntryDialogs, EveryControlHasAnAccessibleName) {
    MainDialogFixture f;
    AddDirectoryDialog directories(*f.window);
    AddWildcardDialog fileGroups(*f.window);
    for (const QWidget* dialog :
         {static_cast<QWidget*>(&directories), static_cast<QWidget*>(&fileGroups)}) {
        EXPECT_EQ(ControlsWithoutAccessibleName(dialog), std::vector<std::string>{});
    }
    EXPECT_EQ(directories.Control(kIdDirectoryEdit)->accessibleName(), "Verzeichnisse");
    EXPECT_EQ(ToUtf8(directories.windowTitle()), "Verzeichnis hinzufügen");
    EXPECT_EQ(ToUtf8(fileGroups.windowTitle()), "Datei oder Dateigruppe hinzufügen");
}

TEST(DirectoryDialog, TypedStarBeepsAndVanishes) {
    EntryFixture<AddDirectoryDialog> f;
    QTest::keyClicks(f.edit, "/ab*c");
    EXPECT_EQ(f.edit->text(), "/abc");
    EXPECT_EQ(f.beeper.beeps, 1);
}

TEST(DirectoryDialog, BackslashAndSlashAreAccepted) {
    EntryFixture<AddDirectoryDialog> f;
    QTest::keyClicks(f.edit, "/a\\b:c");
    EXPECT_EQ(f.edit->text(), "/a\\b:c");
    EXPECT_EQ(f.beeper.beeps, 0);
}

TEST(FileGroupDialog, TypedBackslashBeepsAndVanishesButStarStays) {
    EntryFixture<AddWildcardDialog> f;
    QTest::keyClicks(f.edit, "*.t\\xt");
    EXPECT_EQ(f.edit->text(), "*.txt");
    EXPECT_EQ(f.beeper.beeps, 1);
    QTest::keyClicks(f.edit, "/?");
    EXPECT_EQ(f.edit->text(), "*.txt?");
    EXPECT_EQ(f.beeper.beeps, 2);
}

TEST(FileGroupDialog, PastedTextLosesCharactersBeforeTheCaretOneByOne) {
    EntryFixture<AddWildcardDialog> f;
    QTest::keyClicks(f.edit, "xy");
    f.edit->setCursorPosition(1);
    QApplication::clipboard()->setText("ab(cd");
    f.edit->paste(); // "xab(cd" + "y", caret after "d"
    EXPECT_EQ(f.edit->text(), "xaby");
    EXPECT_EQ(f.beeper.beeps, 3); // d, c, (
    EXPECT_EQ(f.edit->cursorPosition(), 3);
}

TEST(FileGroupDialog, SelectedTextGoesInOneBackspace) {
    EntryFixture<AddWildcardDialog> f;
    f.edit->setText("ab");
    f.edit->selectAll();
    QApplication::clipboard()->setText("[x]");
    f.beeper.beeps = 0;
    f.edit->paste();
    EXPECT_EQ(f.edit->text(), "");
    EXPECT_EQ(f.beeper.beeps, 3); // ], x, [
}

// Runs the entry dialog of `command` from the main dialog, types `text` and
// presses OK.
template <class Dialog> int TypeAndAccept(MainDialogWindow& window, int command, const char* text) {
    int shown = 0;
    WhenModal<Dialog>([&](Dialog* dialog) {
        ++shown;
        QTest::keyClicks(dialog->template findChild<QLineEdit*>(), text);
        QTest::mouseClick(static_cast<QPushButton*>(dialog->Control(kIdOk)), Qt::LeftButton);
        if (dialog->isVisible()) {
            dialog->SendCommand(kIdCancel, 0);
        }
    });
    static_cast<QPushButton*>(window.Control(command))->click();
    return shown;
}

TEST(EntryDialogs, TwoDirectoriesTypedWithSemicolonBecomeTwoSortedEntries) {
    MainDialogFixture f;
    MessageScript messages;
    EXPECT_EQ(TypeAndAccept<AddDirectoryDialog>(*f.window, kIdAddDirectory, "/tmp/b;/tmp/a"), 1);
    EXPECT_EQ(BoxEntries(f.window->DirectoryList()), (Entries{"/tmp/a", "/tmp/b"}));
    TypeAndAccept<AddDirectoryDialog>(*f.window, kIdAddDirectory, " /tmp/a ; /tmp/0;");
    EXPECT_EQ(BoxEntries(f.window->DirectoryList()), (Entries{"/tmp/0", "/tmp/a", "/tmp/b"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(EntryDialogs, TwoPatternsTypedWithSemicolonBecomeTwoSortedEntries) {
    MainDialogFixture f;
    MessageScript messages;
    TypeAndAccept<AddWildcardDialog>(*f.window, kIdAddFileGroup, "*.txt;*.c");
    EXPECT_EQ(BoxEntries(f.window->FileGroupList()), (Entries{"*.c", "*.txt"}));
}

TEST(EntryDialogs, EmptyOkShowsItsMessageAndStaysOpen) {
    MainDialogFixture f;
    MessageScript messages;
    TypeAndAccept<AddDirectoryDialog>(*f.window, kIdAddDirectory, "");
    TypeAndAccept<AddWildcardDialog>(*f.window, kIdAddFileGroup, "");
    EXPECT_EQ(messages.Ids(), (std::vector<int>{kMsgNoDirectory, kMsgNoFileGroup}));
    EXPECT_EQ(Velmor_GetBoxCount(f.window->DirectoryList()), 0);
}

TEST(EntryDialogs, BlanksOnlyAreNotRefusedButAddNothing) {
    MainDialogFixture f;
    MessageScript messages;
    TypeAndAccept<AddDirectoryDialog>(*f.window, kIdAddDirectory, "  ; ");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Velmor_GetBoxCount(f.window->DirectoryList()), 0);
}

struct ChooserHook {
    explicit ChooserHook(std::optional<std::string> answer) {
        SetFileNameDialogHook([this, answer](const FileDialogRequest& request, const std::string&) {
            requests.push_back(request);
            return answer;
        });
    }
    ~ChooserHook() { SetFileNameDialogHook(nullptr); }
    std::vector<FileDialogRequest> requests;
};

TEST(DirectoryChooser, ChosenDirectoryReplacesTheWholeField) {
    EntryFixture<AddDirectoryDialog> f;
    testing_support::TempDir dir;
    ChooserHook hook(dir.path() + "/");
    QTest::keyClicks(f.edit, "/tmp/a;/tmp/b");
    QTest::mouseClick(static_cast<QPushButton*>(f.dialog.Control(kIdChooseDirectory)),
                      Qt::LeftButton);
    EXPECT_EQ(ToUtf8(f.edit->text()), dir.path());
    ASSERT_EQ(hook.requests.size(), 1u);
    EXPECT_EQ(hook.requests[0].mode, kFileDialogDirectory);
    EXPECT_EQ(hook.requests[0].titleId, kTitleChooseDirectory);
    EXPECT_EQ(hook.requests[0].filterId, kFilterAllFiles);
    EXPECT_TRUE(hook.requests[0].location.key.empty());
}

TEST(DirectoryChooser, CancelLeavesTheField) {
    EntryFixture<AddDirectoryDialog> f;
    ChooserHook hook(std::nullopt);
    QTest::keyClicks(f.edit, "/tmp/a");
    EXPECT_EQ(ChooseDirectory(f.dialog, kIdDirectoryEdit), 2);
    EXPECT_EQ(f.edit->text(), "/tmp/a");
}

TEST(DirectoryChooser, DirectoryWithAForbiddenCharacterIsRefused) {
    EntryFixture<AddDirectoryDialog> f;
    ChooserHook hook(std::string("/tmp/photos (2024)/"));
    QTest::keyClicks(f.edit, "/tmp/a");
    EXPECT_EQ(ChooseDirectory(f.dialog, kIdDirectoryEdit), 2);
    EXPECT_EQ(f.edit->text(), "/tmp/a");
    EXPECT_EQ(f.beeper.beeps, 1);
}

TEST(RemoveEntries, RemovingTheMiddleEntrySelectsTheNext) {
    MainDialogFixture f;
    QListWidget* list = f.window->DirectoryList();
    Velmor_FillBox(list, {"/a", "/b", "/c"});
    Velmor_SetBoxIndex(list, 1);
    static_cast<QPushButton*>(f.window->Control(kIdRemoveDirectory))->click();
    EXPECT_EQ(BoxEntries(list), (Entries{"/a", "/c"}));
    EXPECT_EQ(Velmor_GetBoxEntry(list, -1), "/c");
    EXPECT_TRUE(f.window->Control(kIdRemoveDirectory)->isEnabled());
    // The last entry: the new last one is selected, so "Entfernen" goes on.
    static_cast<QPushButton*>(f.window->Control(kIdRemoveDirectory))->click();
    EXPECT_EQ(Velmor_GetBoxEntry(list, -1), "/a");
    static_cast<QPushButton*>(f.window->Control(kIdRemoveDirectory))->click();
    EXPECT_EQ(Velmor_GetBoxCount(list), 0);
    EXPECT_EQ(Velmor_GetBoxIndex(list), -1);
    EXPECT_FALSE(f.window->Control(kIdRemoveDirectory)->isEnabled());
}

TEST(RemoveEntries, NothingSelectedDoesNothing) {
    MainDialogFixture f;
    MessageScript messages;
    BeepCounter beeper;
    QListWidget* list = f.window->FileGroupList();
    Velmor_FillBox(list, {"*.a", "*.b"});
    RemoveFileGroup(*f.window);
    EXPECT_EQ(Velmor_GetBoxCount(list), 2);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(beeper.beeps, 0);
    Velmor_SetBoxIndex(list, 0);
    static_cast<QPushButton*>(f.window->Control(kIdRemoveFileGroup))->click();
    EXPECT_EQ(BoxEntries(list), (Entries{"*.b"}));
    EXPECT_EQ(Velmor_GetBoxIndex(list), 0);
}

} // namespace
