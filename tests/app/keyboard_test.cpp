// Keyboard use: Tab walks every enabled control of a window once, in the
// order of its layout, and comes back to the first; no control keeps the Tab
// key to itself; every button, check box, radio button and frame has a
// mnemonic in both languages.
#include "app_test_support.h"
#include "language_chooser.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "program.h"
#include "replacement_list.h"
#include "run_window.h"
#include "scripted_run_ui.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"
#include "translation.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

using Names = std::vector<std::string>;

std::string FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? ToUtf8(focus->objectName()) : std::string("(none)");
}

// Puts the focus on `first`, then presses `key` until the focus is back on
// it (or has visited twice as many controls as expected), giving the names
// of the controls visited in order.
Names Walk(QWidget* window, QWidget* first, std::size_t expected, int key,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    first->setFocus(Qt::TabFocusReason);
    Names visited{FocusName()};
    for (std::size_t i = 0; i < 2 * expected + 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        if (QApplication::focusWidget() == first) {
            break;
        }
        visited.push_back(FocusName());
    }
    return visited;
}

// A main dialog with entries in both lists and two replacements, one of them
// selected, so every button that works on an entry is enabled.
struct FilledMainDialog : MainDialogFixture {
    FilledMainDialog() {
        Velmor_FillBox(window->DirectoryList(), {"/tmp/a", "/tmp/b"});
        Velmor_SetBoxIndex(window->DirectoryList(), 0);
        Velmor_FillBox(window->FileGroupList(), {"*.txt"});
        Velmor_SetBoxIndex(window->FileGroupList(), 0);
        ListViewAppendRow(window->ReplacementList(), {"a", "b"});
        ListViewAppendRow(window->ReplacementList(), {"c", "d"});
        ListViewSelectRow(window->ReplacementList(), 1);
    }
};

// Every enabled control of the main dialog, row by row as the layout shows
// them (the grid of clean-up boxes row by row). A group of radio buttons is
// one stop, at its checked button (the arrow keys move inside it). The date
// and time edits and the column wait for their radio buttons; "TA" is
// hidden.
const Names kMainDialogWalk = {
    "directoryList",
    "addDirectoryButton",
    "removeDirectoryButton",
    "subdirsCheck",
    "fileGroupList",
    "addFileGroupButton",
    "removeFileGroupButton",
    "allFilesRadio",
    "confirmCheck",
    "isoRadio",
    "performReplaceCheck",
    "stripLeadingSpacesCheck",
    "stripLeadingTabsCheck",
    "keepLineEndsCheck",
    "deleteEmptyLinesCheck",
    "stripTrailingSpacesCheck",
    "stripTrailingTabsCheck",
    "replacementList",
    "addReplacementButton",
    "removeReplacementButton",
    "editReplacementButton",
    "testReplacementsButton",
    "anywhereRadio",
    "expandEscapeCheck",
    "ignoreCaseCheck",
    "regexCheck",
    "aboutButton",
    "manualButton",
    "languageButton",
    "loadProfileButton",
    "saveProfileButton",
    "startButton",
};

Names Reversed(Names names) {
    std::reverse(names.begin() + 1, names.end());
    return names;
}

TEST(Keyboard, TabWalksTheMainDialogInLayoutOrderAndBackWithShiftTab) {
    MessageScript messages;
    FilledMainDialog f;
    QWidget* first = f.window->DirectoryList();
    EXPECT_EQ(Walk(f.window.get(), first, kMainDialogWalk.size(), Qt::Key_Tab), kMainDialogWalk);
    EXPECT_EQ(
        Walk(f.window.get(), first, kMainDialogWalk.size(), Qt::Key_Backtab, Qt::ShiftModifier),
        Reversed(kMainDialogWalk));
    EXPECT_TRUE(messages.shown.empty());
}

// Inside a group of radio buttons the arrow keys reach every button in
// order and check it, so the group's stop in the Tab walk reaches them all.
TEST(Keyboard, TheArrowKeysReachEveryRadioButtonOfAGroup) {
    // The codings stand in a row, the others in a column.
    const struct {
        Names group;
        Qt::Key next;
    } cases[] = {
        {{"allFilesRadio", "newerRadio", "olderRadio"}, Qt::Key_Down},
        {{"anywhereRadio", "lineStartRadio", "lineEndRadio", "columnRadio"}, Qt::Key_Down},
        {{"isoRadio", "asciiRadio", "utf8Radio"}, Qt::Key_Right},
    };
    for (const auto& [group, next] : cases) {
        SCOPED_TRACE(group.front());
        FilledMainDialog f;
        f.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
        f.window->findChild<QWidget*>(ToQString(group.front()))->setFocus(Qt::TabFocusReason);
        Names reached{FocusName()};
        for (std::size_t i = 1; i < group.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), next);
            reached.push_back(FocusName());
            EXPECT_TRUE(static_cast<QRadioButton*>(QApplication::focusWidget())->isChecked());
        }
        EXPECT_EQ(reached, group);
    }
}

// The replacement list keeps none of the keys that move on: Tab, Shift+Tab
// and Ctrl+Tab each leave it, whichever cell is current.
TEST(Keyboard, TheReplacementListLetsTheFocusMoveOn) {
    const struct {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* next;
    } cases[] = {
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "addReplacementButton"},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, "stripTrailingTabsCheck"},
        {"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, "addReplacementButton"},
    };
    for (const auto& c : cases) {
        for (int column : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + " from column " + std::to_string(column));
            FilledMainDialog f;
            QTableWidget* list = f.window->ReplacementList();
            f.window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
            list->setFocus(Qt::TabFocusReason);
            list->setCurrentCell(1, column);
            QTest::keyClick(list, static_cast<Qt::Key>(c.key), c.modifiers);
            EXPECT_EQ(FocusName(), c.next);
        }
    }
}

TEST(Keyboard, TabWalksTheSmallerDialogsInLayoutOrder) {
    testing_support::TempDir dir;
    std::string log = dir / "log";
    testing_support::WriteFile(log, dir / "a.txt\r\n" + dir / "b.txt\r\n");
    ScriptedRunUi ui;
    const RunStatistics counters{2, 2, 2, 2, 0};
    QWidget owner;
    QListWidget list;
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        Names walk;
    } cases[] = {
        {"summary",
         [&] {
             return std::make_unique<SummaryDialog>(
                 &owner, RunSummaryInfo{counters, log, kNoLineOperations}, ui);
         },
         {"changedFileList", "changeView", "viewFileButton", "acceptSelectedButton",
          "undoSelectedButton", "undoButton", "closeButton"}},
        {"add directory",
         [&] { return std::make_unique<AddDirectoryDialog>(&owner, &list); },
         {"directoryEdit", "chooseButton", "okButton", "cancelButton"}},
        {"add file group",
         [&] { return std::make_unique<AddWildcardDialog>(&owner, &list); },
         {"fileGroupEdit", "okButton", "cancelButton"}},
        {"replacement",
         [&] {
             return std::make_unique<ReplacementDialog>(&owner, ReplacementDialog::Mode::Edit,
                                                        ReplacementRow{"a", "b"});
         },
         {"searchEdit", "replacementEdit", "okButton", "cancelButton"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QDialog> dialog = c.make();
        dialog->show();
        QWidget* first = dialog->findChild<QWidget*>(ToQString(c.walk.front()));
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(Walk(dialog.get(), first, c.walk.size(), Qt::Key_Tab), c.walk);
    }
}

// The key of a caption's mnemonic (lower case), or nothing when it has not
// exactly one.
std::optional<QChar> MnemonicOf(const QString& caption) {
    std::optional<QChar> key;
    int count = 0;
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) {
            continue;
        }
        if (caption[i + 1] != QLatin1Char('&')) {
            key = caption[i + 1].toLower();
            ++count;
        }
        ++i;
    }
    return count == 1 ? key : std::nullopt;
}

// The mnemonics of a window's buttons and frames, by the frame they sit in
// (the nearest group box, or the window; a frame's own caption belongs to
// the frame around it).
struct Mnemonics {
    std::vector<std::string> missing;
    std::map<std::string, std::multimap<QChar, std::string>> byFrame;
    std::multimap<QChar, std::string> all;
};

Mnemonics MnemonicsOf(const QWidget* window) {
    Mnemonics found;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_") ||
            widget->window() != window) {
            continue;
        }
        QString caption;
        if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            caption = button->text();
        } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
            caption = group->title();
        } else {
            continue;
        }
        std::string name = ToUtf8(widget->objectName());
        std::optional<QChar> key = MnemonicOf(caption);
        if (!key) {
            found.missing.push_back(name + " \"" + ToUtf8(caption) + "\"");
            continue;
        }
        const QWidget* frame = widget->parentWidget();
        while (frame != window && !qobject_cast<const QGroupBox*>(frame)) {
            frame = frame->parentWidget();
        }
        found.byFrame[ToUtf8(frame->objectName())].emplace(*key, name);
        found.all.emplace(*key, name);
    }
    return found;
}

// The controls of `keys` that share their key with another.
std::vector<std::string> Shared(const std::multimap<QChar, std::string>& keys) {
    std::vector<std::string> shared;
    for (const auto& [key, name] : keys) {
        if (keys.count(key) > 1) {
            shared.push_back(name + " '" + ToUtf8(QString(key)) + "'");
        }
    }
    return shared;
}

// Every button, check box, radio button and frame caption has one mnemonic
// in each language. Within a frame no two share a key, nor in a window with
// no more of them than there are letters; the main dialog has more, so its
// keys repeat only between frames.
TEST(Keyboard, EveryCaptionHasAMnemonicUniqueInItsFrameInBothLanguages) {
    for (int language : {kLanguageGerman, kLanguageEnglish}) {
        SCOPED_TRACE(language);
        AppLanguage = language;
        LTS_UseVelmorStandard("", language);
        SetStringLanguage(language);
        testing_support::TempDir dir;
        std::string log = dir / "log";
        testing_support::WriteFile(log, dir / "a.txt\r\n");
        ScriptedRunUi ui;
        const RunStatistics counters{1, 1, 1, 1, 0};
        MainDialogFixture f;
        MainDialogWindow& main = *f.window;
        std::vector<std::unique_ptr<QWidget>> windows;
        windows.push_back(std::make_unique<SummaryDialog>(
            &main, RunSummaryInfo{counters, log, kNoLineOperations}, ui));
        windows.push_back(std::make_unique<AddDirectoryDialog>(&main, main.DirectoryList()));
        windows.push_back(std::make_unique<AddWildcardDialog>(&main, main.FileGroupList()));
        windows.push_back(std::make_unique<ReplacementDialog>(&main, ReplacementDialog::Mode::Add));
        windows.push_back(std::make_unique<ScanDialog>(&main));
        windows.push_back(std::make_unique<LanguageChooser>(
            &main, std::vector<int>{kLanguageEnglish, kLanguageGerman}, language));
        std::vector<QWidget*> all{&main};
        for (auto& window : windows) {
            all.push_back(window.get());
        }
        for (QWidget* window : all) {
            SCOPED_TRACE(ToUtf8(window->objectName()));
            Mnemonics found = MnemonicsOf(window);
            EXPECT_EQ(found.missing, std::vector<std::string>{});
            for (const auto& [frame, keys] : found.byFrame) {
                EXPECT_EQ(Shared(keys), std::vector<std::string>{}) << frame;
            }
            if (found.all.size() <= 26) {
                EXPECT_EQ(Shared(found.all), std::vector<std::string>{});
            }
        }
    }
    AppLanguage = kLanguageGerman;
    LTS_UseVelmorStandard("", kLanguageGerman);
    SetStringLanguage(kLanguageGerman);
}

} // namespace
