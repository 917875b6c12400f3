// The entry dialogs on a list box: typing with the forbidden-character
// filter, splitting at ";", the chooser, and removing the selected entry.
#include "dialog_test_support.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "string_table.h"
#include "test_support.h"

#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

// An entry dialog over an owner window, filling a sorted list box as the
// main dialog's lists are.
template <class Dialog> struct EntryFixture {
    EntryFixture() : dialog(&owner, &list) {
        list.setSortingEnabled(true);
        dialog.show();
        edit = dialog.template findChild<QLineEdit*>();
    }
    QWidget owner;
    QListWidget list;
    Dialog dialog;
    QLineEdit* edit = nullptr;
    BeepCounter beeper;
    MessageScript messages;
};

TEST(EntryDialogs, EveryControlHasAnAccessibleName) {
    EntryFixture<AddDirectoryDialog> directories;
    EntryFixture<AddWildcardDialog> fileGroups;
    EXPECT_EQ(ControlsWithoutAccessibleName(&directories.dialog), std::vector<std::string>{});
    EXPECT_EQ(ControlsWithoutAccessibleName(&fileGroups.dialog), std::vector<std::string>{});
    EXPECT_EQ(directories.edit->accessibleName(), "Verzeichnisse");
    EXPECT_EQ(ToUtf8(directories.dialog.windowTitle()), "Verzeichnis hinzufügen");
    EXPECT_EQ(ToUtf8(fileGroups.dialog.windowTitle()), "Datei oder Dateigruppe hinzufügen");
}

// Each character typed after "a" into each dialog: kept, or refused with a
// beep.
TEST(EntryDialogs, ForbiddenCharactersTypedBeepAndVanish) {
    struct Case {
        char c;
        bool inDirectories;
        bool inFileGroups;
    } cases[] = {{'"', true, false}, {'%', true, false}, {'#', true, false}, {'(', true, false},
                 {')', true, false}, {'+', true, false}, {'!', true, false}, {'{', true, false},
                 {'|', true, false}, {'}', true, false}, {'[', true, false}, {']', true, false},
                 {',', true, false}, {'*', false, true}, {'?', false, true}, {'\\', true, false},
                 {':', true, false}, {'/', true, false}, {';', true, true},  {' ', true, true},
                 {'.', true, true}};
    auto type = [](auto& f, char c, bool kept) {
        const char text[] = {'a', c, '\0'};
        QTest::keyClicks(f.edit, text);
        EXPECT_EQ(ToUtf8(f.edit->text()), kept ? text : "a");
        EXPECT_EQ(f.beeper.beeps, kept ? 0 : 1);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.c));
        EntryFixture<AddDirectoryDialog> directories;
        type(directories, c.c, c.inDirectories);
        EntryFixture<AddWildcardDialog> fileGroups;
        type(fileGroups, c.c, c.inFileGroups);
    }
    EXPECT_FALSE(ContainsNoneOf(nullptr, "*"));
    EXPECT_FALSE(ContainsNoneOf("abc", nullptr));
}

TEST(EntryDialogs, PastedTextLosesCharactersBeforeTheCaretOneByOne) {
    EntryFixture<AddWildcardDialog> f;
    QTest::keyClicks(f.edit, "xy");
    f.edit->setCursorPosition(1);
    QApplication::clipboard()->setText("ab(cd");
    f.edit->paste(); // "xab(cd" + "y", caret after "d"
    EXPECT_EQ(f.edit->text(), "xaby");
    EXPECT_EQ(f.beeper.beeps, 3); // d, c, (
    EXPECT_EQ(f.edit->cursorPosition(), 3);
    // A selection goes in one backspace.
    f.edit->selectAll();
    QApplication::clipboard()->setText("[x]");
    f.beeper.beeps = 0;
    f.edit->paste();
    EXPECT_EQ(f.edit->text(), "");
    EXPECT_EQ(f.beeper.beeps, 3); // ], x, [
}

// Runs AddDirectories or AddFileGroups on `list`, types `text` and presses
// OK (then Cancel when the dialog stayed open).
template <class Dialog>
int TypeAndAccept(int (*command)(QWidget*, QListWidget*), QListWidget& list, const char* text) {
    WhenModal<Dialog>([text](Dialog* dialog) {
        QTest::keyClicks(dialog->template findChild<QLineEdit*>(), text);
        QTest::mouseClick(static_cast<QPushButton*>(dialog->Control(kIdOk)), Qt::LeftButton);
        if (dialog->isVisible()) {
            dialog->SendCommand(kIdCancel, 0);
        }
    });
    QWidget owner;
    return command(&owner, &list);
}

TEST(EntryDialogs, TypedEntriesJoinTheListSplitAtSemicolons) {
    struct Case {
        const char* name;
        bool directories;
        Entries before;
        const char* typed;
        int result;
        Entries after;
        std::vector<int> messages;
    } cases[] = {
        {"two directories", true, {}, "/tmp/b;/tmp/a", 1, {"/tmp/a", "/tmp/b"}, {}},
        {"blanks, duplicates, empty items",
         true,
         {"/tmp/a", "/tmp/b"},
         " /tmp/a ; /tmp/0;",
         1,
         {"/tmp/0", "/tmp/a", "/tmp/b"},
         {}},
        {"directory names as people make them",
         true,
         {},
         "/home/u/Projekte (alt);/home/u/src/C++;/home/u/Fotos [2024];/srv/#1, 50% {a}!",
         1,
         {"/home/u/Fotos [2024]", "/home/u/Projekte (alt)", "/home/u/src/C++", "/srv/#1, 50% {a}!"},
         {}},
        {"two patterns", false, {}, "*.txt;*.c", 1, {"*.c", "*.txt"}, {}},
        {"blanks only are not refused", true, {}, "  ; ", 1, {}, {}},
        {"empty directory stays open", true, {"/x"}, "", 2, {"/x"}, {kMsgNoDirectory}},
        {"empty file group stays open", false, {}, "", 2, {}, {kMsgNoFileGroup}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageScript messages;
        QListWidget list;
        list.setSortingEnabled(true);
        Velmor_FillBox(&list, c.before);
        int result = c.directories
                         ? TypeAndAccept<AddDirectoryDialog>(AddDirectories, list, c.typed)
                         : TypeAndAccept<AddWildcardDialog>(AddFileGroups, list, c.typed);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(BoxEntries(&list), c.after);
        EXPECT_EQ(messages.Ids(), c.messages);
    }
}

// "wählen..." after two paths were typed: a directory whose name an entry
// can hold replaces the field; one it cannot hold is refused with a message
// naming the character, and the field keeps its text.
TEST(DirectoryChooser, ChosenDirectoryReplacesTheWholeFieldUnlessItIsRefused) {
    testing_support::TempDir dir;
    const std::string typed = "/tmp/a;/tmp/b";
    struct Case {
        std::optional<std::string> chosen;
        std::string field;
        std::vector<std::string> refused; // directory and character of 2027
    } cases[] = {
        {dir.path() + "/", dir.path(), {}},
        {std::nullopt, typed, {}},
        {std::string("/home/u/Fotos [2024]/"), "/home/u/Fotos [2024]", {}},
        {std::string("/home/u/src/C++/"), "/home/u/src/C++", {}},
        {std::string("/tmp/photos (2024), #1 {50%}!/"), "/tmp/photos (2024), #1 {50%}!", {}},
        {std::string("/tmp/a;b/"), typed, {"/tmp/a;b", ";"}},
        {std::string("/tmp/what?/"), typed, {"/tmp/what?", "?"}},
        {std::string("/tmp/all*/"), typed, {"/tmp/all*", "*"}},
        {std::string("/tmp/tab\there/"), typed, {"/tmp/tab\there", "\\t"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        EntryFixture<AddDirectoryDialog> f;
        FileNameAnswer chooser(c.chosen);
        QTest::keyClicks(f.edit, QString::fromStdString(typed));
        QTest::mouseClick(static_cast<QPushButton*>(f.dialog.Control(kIdChooseDirectory)),
                          Qt::LeftButton);
        EXPECT_EQ(ToUtf8(f.edit->text()), c.field);
        EXPECT_EQ(f.beeper.beeps, 0);
        if (c.refused.empty()) {
            EXPECT_EQ(f.messages.Ids(), std::vector<int>{});
        } else {
            ASSERT_EQ(f.messages.Ids(), std::vector<int>{kMsgDirectoryCharacter});
            EXPECT_EQ(f.messages.shown[0].text,
                      FillInserts(ParseMessage(LoadTranslatedString(kMsgDirectoryCharacter)).text,
                                  c.refused[0], c.refused[1]));
        }
        ASSERT_EQ(chooser.requests.size(), 1u);
        EXPECT_EQ(chooser.requests[0].mode, kFileDialogDirectory);
        EXPECT_EQ(chooser.requests[0].titleId, kTitleChooseDirectory);
        EXPECT_EQ(chooser.requests[0].filterId, kFilterAllFiles);
        EXPECT_TRUE(chooser.requests[0].location.key.empty());
    }
}

TEST(RemoveEntries, TheEntryThatMovesUpIsSelectedAndNothingSelectedDoesNothing) {
    QListWidget list;
    Velmor_FillBox(&list, {"/a", "/b", "/c"});
    EXPECT_FALSE(RemoveSelectedEntry(&list));
    EXPECT_EQ(BoxEntries(&list), (Entries{"/a", "/b", "/c"}));
    Velmor_SetBoxIndex(&list, 1);
    EXPECT_TRUE(RemoveSelectedEntry(&list));
    EXPECT_EQ(BoxEntries(&list), (Entries{"/a", "/c"}));
    EXPECT_EQ(Velmor_GetBoxEntry(&list, -1), "/c");
    // The last entry: the new last one is selected.
    EXPECT_TRUE(RemoveSelectedEntry(&list));
    EXPECT_EQ(Velmor_GetBoxEntry(&list, -1), "/a");
    EXPECT_TRUE(RemoveSelectedEntry(&list));
    EXPECT_EQ(Velmor_GetBoxCount(&list), 0);
    EXPECT_EQ(Velmor_GetBoxIndex(&list), -1);
}

} // namespace
