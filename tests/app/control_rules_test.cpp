// The control rules, from the pure function to the dialog's dispatch, and the
// checks before Start.
#include "app_test_support.h"
#include "control_rules.h"
#include "list_controls.h"
#include "main_controls.h"
#include "replacement_list.h"
#include "string_table.h"
#include "test_support.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

// Every control the rules touch.
const std::vector<int> kRuled = {
    kIdCompareDate,
    kIdCompareTime,
    kIdDateLabel,
    kIdTimeLabel,
    kIdRemoveDirectory,
    kIdRemoveFileGroup,
    kIdReplacementFrame,
    kIdReplacementList,
    kIdAddReplacement,
    kIdRemoveReplacement,
    kIdEditReplacement,
    kIdTestReplacements,
    kIdPositionFrame,
    kIdPositionAnywhere,
    kIdPositionLineStart,
    kIdPositionLineEnd,
    kIdPositionColumnRadio,
    kIdPositionColumn,
    kIdReplaceOptionsFrame,
    kIdExpandEscape,
    kIdCapsLock,
    kIdRegex,
    kIdCodeFrame,
    kIdCodeIso,
    kIdCodeAscii,
    kIdCodeUtf8,
};

// The replacement block without the selection- and position-bound controls.
const std::set<int> kBlock = {kIdReplacementFrame,
                              kIdReplacementList,
                              kIdAddReplacement,
                              kIdTestReplacements,
                              kIdPositionFrame,
                              kIdPositionAnywhere,
                              kIdPositionLineStart,
                              kIdPositionLineEnd,
                              kIdPositionColumnRadio,
                              kIdReplaceOptionsFrame,
                              kIdExpandEscape,
                              kIdCapsLock,
                              kIdRegex,
                              kIdCodeFrame,
                              kIdCodeIso,
                              kIdCodeAscii,
                              kIdCodeUtf8};
const std::set<int> kDated = {kIdCompareDate, kIdCompareTime, kIdDateLabel, kIdTimeLabel};

std::set<int> Union(std::initializer_list<std::set<int>> parts) {
    std::set<int> all;
    for (const auto& part : parts) {
        all.insert(part.begin(), part.end());
    }
    return all;
}

struct RuleRow {
    const char* name;
    ControlInputs inputs;
    std::set<int> enabled; // of kRuled; the others disabled
};

std::vector<RuleRow> RuleRows() {
    ControlInputs base; // replacing, all files, anywhere, nothing selected
    auto with = [&](auto change) {
        ControlInputs inputs = base;
        change(inputs);
        return inputs;
    };
    return {
        {"defaults", base, kBlock},
        {"newer or equal", with([](ControlInputs& i) { i.dateRadio = kIdNewerOrEqual; }),
         Union({kBlock, kDated})},
        {"older", with([](ControlInputs& i) { i.dateRadio = kIdOlder; }), Union({kBlock, kDated})},
        {"directory selected", with([](ControlInputs& i) { i.directorySelected = true; }),
         Union({kBlock, {kIdRemoveDirectory}})},
        {"file group selected", with([](ControlInputs& i) { i.fileGroupSelected = true; }),
         Union({kBlock, {kIdRemoveFileGroup}})},
        {"row selected", with([](ControlInputs& i) { i.replacementSelected = true; }),
         Union({kBlock, {kIdRemoveReplacement, kIdEditReplacement}})},
        {"column position",
         with([](ControlInputs& i) { i.positionRadio = kIdPositionColumnRadio; }),
         Union({kBlock, {kIdPositionColumn}})},
        {"line end position", with([](ControlInputs& i) { i.positionRadio = kIdPositionLineEnd; }),
         kBlock},
        {"not replacing", with([](ControlInputs& i) { i.replacing = false; }), {}},
        {"not replacing, row selected and column position",
         with([](ControlInputs& i) {
             i.replacing = false;
             i.replacementSelected = true;
             i.positionRadio = kIdPositionColumnRadio;
         }),
         {}},
        {"not replacing, lists selected and dated", with([](ControlInputs& i) {
             i.replacing = false;
             i.directorySelected = true;
             i.fileGroupSelected = true;
             i.dateRadio = kIdOlder;
         }),
         Union({kDated, {kIdRemoveDirectory, kIdRemoveFileGroup}})},
    };
}

std::map<int, bool> Effective(const ControlInputs& inputs) {
    std::map<int, bool> state;
    for (const ControlRule& rule : ComputeControlStates(inputs)) {
        for (int id : rule.ids) {
            state[id] = rule.enable;
        }
    }
    return state;
}

TEST(ControlRules, EveryRowOfTheTable) {
    for (const RuleRow& row : RuleRows()) {
        SCOPED_TRACE(row.name);
        std::map<int, bool> state = Effective(row.inputs);
        EXPECT_EQ(state.size(), kRuled.size()); // never touches any other control
        for (int id : kRuled) {
            EXPECT_EQ(state[id], row.enabled.count(id) == 1) << id;
        }
    }
}

// Sets the dialog to `inputs` (selections and checks), without notifications.
void SetInputs(MainDialogWindow& w, const ControlInputs& inputs) {
    SetButtonCheck(w, kIdPerformReplace, inputs.replacing);
    CheckRadioButton(w, kIdAllFiles, kIdOlder, inputs.dateRadio);
    CheckRadioButton(w, kIdPositionAnywhere, kIdPositionColumnRadio, inputs.positionRadio);
    Velmor_FillBox(w.DirectoryList(), {"/a", "/b"});
    Velmor_FillBox(w.FileGroupList(), {"*.txt"});
    ListViewDeleteAll(w.ReplacementList());
    ListViewAppendRow(w.ReplacementList(), {"a", "b"});
    Velmor_SetBoxIndex(w.DirectoryList(), inputs.directorySelected ? 1 : -1);
    Velmor_SetBoxIndex(w.FileGroupList(), inputs.fileGroupSelected ? 0 : -1);
    w.ReplacementList()->clearSelection();
    if (inputs.replacementSelected) {
        ListViewSelectRow(w.ReplacementList(), 0);
    }
}

TEST(ControlRules, TheDialogFollowsEveryRow) {
    MainDialogFixture f;
    for (const RuleRow& row : RuleRows()) {
        SCOPED_TRACE(row.name);
        SetInputs(*f.window, row.inputs);
        UpdateControlStates(*f.window);
        for (int id : kRuled) {
            EXPECT_EQ(f.window->Control(id)->isEnabled(), row.enabled.count(id) == 1) << id;
        }
        // What the rules never touch stays enabled.
        for (int id : {kIdAddDirectory, kIdAddFileGroup, kIdSubdirs, kIdConfirm, kIdPerformReplace,
                       kIdDeleteEmptyLines, kIdAllFiles, kIdStart, kIdLoadProfile}) {
            EXPECT_TRUE(f.window->Control(id)->isEnabled()) << id;
        }
    }
}

TEST(ControlRules, DisablingKeepsContentAndChecks) {
    MainDialogFixture f;
    MainDialogWindow& w = *f.window;
    ListViewAppendRow(w.ReplacementList(), {"a", "b"});
    ListViewSelectRow(w.ReplacementList(), 0);
    static_cast<QAbstractButton*>(w.Control(kIdPositionColumnRadio))->click();
    SetControlText(w, kIdPositionColumn, "12");
    static_cast<QAbstractButton*>(w.Control(kIdCapsLock))->click();
    static_cast<QAbstractButton*>(w.Control(kIdPerformReplace))->click(); // off
    EXPECT_FALSE(w.Control(kIdPositionColumn)->isEnabled());
    EXPECT_FALSE(w.Control(kIdRemoveReplacement)->isEnabled());
    EXPECT_EQ(GetControlText(w, kIdPositionColumn), "12");
    EXPECT_TRUE(IsButtonChecked(w, kIdCapsLock));
    EXPECT_EQ(CountSelectedItems(w.ReplacementList()), 1);
    static_cast<QAbstractButton*>(w.Control(kIdPerformReplace))->click(); // on again
    EXPECT_TRUE(w.Control(kIdPositionColumn)->isEnabled());
    EXPECT_TRUE(w.Control(kIdRemoveReplacement)->isEnabled());
    EXPECT_TRUE(w.Control(kIdEditReplacement)->isEnabled());

    // Back to "Alle Dateien": the date fields go grey with their text kept.
    static_cast<QAbstractButton*>(w.Control(kIdOlder))->click();
    EXPECT_TRUE(w.Control(kIdCompareDate)->isEnabled());
    SetControlText(w, kIdCompareDate, "1.1.2020");
    static_cast<QAbstractButton*>(w.Control(kIdAllFiles))->click();
    EXPECT_FALSE(w.Control(kIdCompareDate)->isEnabled());
    EXPECT_FALSE(w.Control(kIdDateLabel)->isEnabled());
    EXPECT_EQ(GetControlText(w, kIdCompareDate), "1.1.2020");
}

// A control the rules would disable, enabled by hand: if a command applies
// the rules, it is disabled again.
bool CommandAppliesRules(MainDialogWindow& w, const std::function<void()>& command) {
    w.Control(kIdRemoveDirectory)->setEnabled(true);
    command();
    return !w.Control(kIdRemoveDirectory)->isEnabled();
}

TEST(ControlRulesDispatch, RadiosAndTheTwoCheckBoxesApplyTheRules) {
    for (int id : {kIdPositionAnywhere, kIdPositionLineStart, kIdPositionLineEnd,
                   kIdPositionColumnRadio, kIdPerformReplace, kIdAllFiles, kIdNewerOrEqual,
                   kIdOlder, kIdConfirm, kIdCodeIso, kIdCodeAscii, kIdCodeUtf8}) {
        MainDialogFixture f;
        auto* button = static_cast<QAbstractButton*>(f.window->Control(id));
        EXPECT_TRUE(CommandAppliesRules(*f.window, [&] {
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
        })) << id;
    }
}

TEST(ControlRulesDispatch, OtherCheckBoxesDoNot) {
    for (int id : {kIdSubdirs, kIdStripLeadingSpaces, kIdStripTrailingSpaces, kIdDeleteEmptyLines,
                   kIdStripLeadingTabs, kIdStripTrailingTabs, kIdCapsLock, kIdExpandEscape,
                   kIdKeepLineEnds, kIdRegex}) {
        MainDialogFixture f;
        auto* button = static_cast<QAbstractButton*>(f.window->Control(id));
        const bool before = button->isChecked();
        EXPECT_FALSE(CommandAppliesRules(*f.window, [&] {
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
        })) << id;
        EXPECT_NE(button->isChecked(), before) << id; // the click itself toggled it
    }
}

// The commands with a dialog or on a list: the entry dialogs apply the rules
// whatever they end with; the replacement dialogs and loading a profile only
// when they changed something; removing from a list box only when something
// was removed, from the replacement list always.
TEST(ControlRulesDispatch, CommandsApplyTheRulesWhenTheyChangedTheJob) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir / "p.vqp", "[General]\n");
    enum Answer { None, Cancel, Ok };
    struct Case {
        const char* name;
        int command;
        bool selected; // a file group and a replacement row
        Answer answer; // to the dialog the command opens
        bool applies;
    } cases[] = {
        {"add directory, cancelled", kIdAddDirectory, false, Cancel, true},
        {"add file group, cancelled", kIdAddFileGroup, false, Cancel, true},
        {"remove directory, none selected", kIdRemoveDirectory, false, None, false},
        {"remove file group, none selected", kIdRemoveFileGroup, false, None, false},
        {"remove file group", kIdRemoveFileGroup, true, None, true},
        {"remove replacements, none selected", kIdRemoveReplacement, false, None, true},
        {"add replacement, cancelled", kIdAddReplacement, false, Cancel, false},
        {"add replacement", kIdAddReplacement, false, Ok, true},
        {"edit replacement, cancelled", kIdEditReplacement, true, Cancel, false},
        {"edit replacement", kIdEditReplacement, true, Ok, true},
        {"load profile, cancelled", kIdLoadProfile, false, Cancel, false},
        {"load profile", kIdLoadProfile, false, Ok, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageScript messages;
        MainDialogFixture f;
        MainDialogWindow& w = *f.window;
        if (c.selected) {
            Velmor_FillBox(w.FileGroupList(), {"*.a"});
            Velmor_SetBoxIndex(w.FileGroupList(), 0);
            ListViewSelectRow(w.ReplacementList(),
                              ListViewAppendRow(w.ReplacementList(), {"a", ""}));
        }
        FileNameAnswer file(c.answer == Ok ? std::optional(dir / "p.vqp") : std::nullopt);
        if (c.answer != None && c.command != kIdLoadProfile) {
            WhenModal<VelmorDialog>([&c](VelmorDialog* d) {
                SetControlText(*d, kIdSearchEdit, "x");
                d->SendCommand(c.answer == Ok ? kIdOk : kIdCancel, 0);
            });
        }
        EXPECT_EQ(CommandAppliesRules(w, [&] { w.SendCommand(c.command, 0); }), c.applies);
    }
}

TEST(ControlRulesDispatch, EditsListsAndTheListViewApplyTheRules) {
    MainDialogFixture f;
    MainDialogWindow& w = *f.window;
    for (int id : {kIdCompareDate, kIdCompareTime, kIdPositionColumn}) {
        EXPECT_TRUE(CommandAppliesRules(w, [&] { SetControlText(w, id, "1"); })) << id;
    }
    Velmor_FillBox(w.FileGroupList(), {"*.c", "*.h"});
    Velmor_FillBox(w.DirectoryList(), {"/x"});
    ListViewAppendRow(w.ReplacementList(), {"a", ""});
    Velmor_SetBoxIndex(w.FileGroupList(), 1);
    EXPECT_TRUE(w.Control(kIdRemoveFileGroup)->isEnabled());
    Velmor_SetBoxIndex(w.DirectoryList(), 0);
    EXPECT_TRUE(w.Control(kIdRemoveDirectory)->isEnabled());
    ListViewSelectRow(w.ReplacementList(), 0);
    EXPECT_TRUE(w.Control(kIdEditReplacement)->isEnabled());
    w.ReplacementList()->clearSelection();
    EXPECT_FALSE(w.Control(kIdEditReplacement)->isEnabled());
}

// The checks before Start.
struct StartFixture : MainDialogFixture {
    void Dated(const char* date, const char* time) {
        CheckRadioButton(*window, kIdAllFiles, kIdOlder, kIdNewerOrEqual);
        SetControlText(*window, kIdCompareDate, date);
        SetControlText(*window, kIdCompareTime, time);
    }
    void Lists(bool directories, bool files) {
        Velmor_FillBox(window->DirectoryList(),
                       directories ? std::vector<std::string>{"/tmp"} : std::vector<std::string>{});
        Velmor_FillBox(window->FileGroupList(),
                       files ? std::vector<std::string>{"*.txt"} : std::vector<std::string>{});
    }
    QWidget* Focus() const { return window->focusWidget(); }
    MessageScript messages;
};

TEST(CheckStartConditions, InvalidDateWinsOverEmptyLists) {
    StartFixture f;
    f.Dated("31.02.2024", "12:00");
    f.Lists(false, false);
    EXPECT_EQ(CheckStartConditions(*f.window), 2);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgInvalidDate});
    EXPECT_EQ(f.Focus(), f.window->Control(kIdCompareDate));
    EXPECT_EQ(GetControlText(*f.window, kIdCompareDate), "31.02.2024"); // as typed
    EXPECT_EQ(GetControlText(*f.window, kIdCompareTime), "12:00");
}

TEST(CheckStartConditions, ValidDateIsRewrittenBeforeTheTimeIsRefused) {
    StartFixture f;
    f.Dated("1.2.24", "25:00");
    f.Lists(true, true);
    EXPECT_EQ(CheckStartConditions(*f.window), 2);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgInvalidTime});
    EXPECT_EQ(f.Focus(), f.window->Control(kIdCompareTime));
    EXPECT_EQ(GetControlText(*f.window, kIdCompareDate), "01.02.2024");
    EXPECT_EQ(GetControlText(*f.window, kIdCompareTime), "25:00");
}

TEST(CheckStartConditions, DateAndTimeAreRewrittenAlsoWhenAListIsEmpty) {
    StartFixture f;
    f.Dated("2024-03-05", "7:5");
    f.Lists(true, false);
    EXPECT_EQ(CheckStartConditions(*f.window), 2);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgNoFileGroup});
    EXPECT_EQ(f.Focus(), f.window->FileGroupList());
    EXPECT_EQ(GetControlText(*f.window, kIdCompareDate), "05.03.2024");
    EXPECT_EQ(GetControlText(*f.window, kIdCompareTime), "07:05:00");
}

TEST(CheckStartConditions, EmptyTimeIsMidnightAndEmptyDateIsInvalid) {
    StartFixture f;
    f.Dated("5.3.2024", "");
    f.Lists(true, true);
    EXPECT_EQ(CheckStartConditions(*f.window), 1);
    EXPECT_EQ(GetControlText(*f.window, kIdCompareTime), "00:00:00");
    f.Dated("", "");
    EXPECT_EQ(CheckStartConditions(*f.window), 2);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgInvalidDate});
}

TEST(CheckStartConditions, AllFilesNeitherReadsNorRewritesTheDate) {
    StartFixture f;
    f.Dated("garbage", "7");
    CheckRadioButton(*f.window, kIdAllFiles, kIdOlder, kIdAllFiles);
    f.Lists(false, true);
    EXPECT_EQ(CheckStartConditions(*f.window), 2);
    EXPECT_EQ(f.messages.Ids(), std::vector<int>{kMsgNoDirectory});
    EXPECT_EQ(f.Focus(), f.window->DirectoryList());
    EXPECT_EQ(GetControlText(*f.window, kIdCompareDate), "garbage");
    EXPECT_EQ(GetControlText(*f.window, kIdCompareTime), "7");
}

TEST(CheckStartConditions, OlderAlsoChecksAndAnEmptyReplacementListIsFine) {
    StartFixture f;
    f.Dated("29.2.2024", "23:59:59");
    CheckRadioButton(*f.window, kIdAllFiles, kIdOlder, kIdOlder);
    f.Lists(true, true);
    EXPECT_EQ(CheckStartConditions(*f.window), 1);
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_EQ(GetControlText(*f.window, kIdCompareDate), "29.02.2024");
}

TEST(CheckStartConditions, MessagesAreShownWithoutTheirCode) {
    StartFixture f;
    f.Lists(false, false);
    CheckStartConditions(*f.window);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Es muß mindestens ein Verzeichnis ausgewählt werden.");
    EXPECT_EQ(f.messages.shown[0].caption, "Velmor Quintrel");
}

} // namespace
