// The replacement dialogs on a replacement row, with their notices, and the
// commands of a replacement list view: adding, changing, removing, the menu.
#include "dialog_test_support.h"
#include "list_controls.h"
#include "replacement_list.h"
#include "string_table.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Mode = ReplacementDialog::Mode;
using Rows = std::vector<ListRow>;

// Answers the next replacement dialog: records what its fields held, types
// the texts (nothing: leaves the fields) and presses OK, or Escape; cancels
// if it stays open.
struct DialogAnswer {
    DialogAnswer(std::optional<std::string> typedSearch = {},
                 std::optional<std::string> typedReplacement = {}, bool pressEscape = false)
        : search(std::move(typedSearch)), replacement(std::move(typedReplacement)),
          escape(pressEscape) {}
    std::optional<std::string> search, replacement;
    bool escape = false;
    std::string shownSearch, shownReplacement, title;
    int opened = 0;
    void Arm() {
        WhenModal<ReplacementDialog>([this](ReplacementDialog* dialog) {
            ++opened;
            title = ToUtf8(dialog->windowTitle());
            shownSearch = GetControlText(*dialog, kIdSearchEdit);
            shownReplacement = GetControlText(*dialog, kIdReplacementEdit);
            if (escape) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            if (search) {
                dialog->ControlAs<QLineEdit>(kIdSearchEdit)->setText(ToQString(*search));
                dialog->ControlAs<QLineEdit>(kIdReplacementEdit)->setText(ToQString(*replacement));
            }
            QTest::mouseClick(static_cast<QPushButton*>(dialog->Control(kIdOk)), Qt::LeftButton);
            if (dialog->isVisible()) {
                dialog->SendCommand(kIdCancel, 0);
            }
        });
    }
};

TEST(ReplacementDialogs, TitlesAndAccessibleNames) {
    ReplacementDialog add(nullptr, Mode::Add);
    ReplacementDialog edit(nullptr, Mode::Edit);
    EXPECT_EQ(ToUtf8(add.windowTitle()), "Ersetzung hinzufügen");
    EXPECT_EQ(ToUtf8(edit.windowTitle()), "Ersetzung ändern");
    EXPECT_EQ(ControlsWithoutAccessibleName(&add), std::vector<std::string>{});
    EXPECT_EQ(add.Control(kIdReplacementEdit)->accessibleName(), "Ersetzen durch");
}

// Each case answers the dialog: types (or, with nothing typed, takes what it
// shows) and presses OK, or presses Escape.
TEST(ReplacementDialogs, WhatOkGivesBackAndTheNoticesOnTheWay) {
    using R = ReplacementRow;
    const int kSame = kMsgReplacementEqualsSearch;
    const std::string a700(700, 'a'), a499(499, 'a'), x600(600, 'x'), x499(499, 'x');
    const std::string u600 = "ü" + x600, u499 = "ü" + std::string(498, 'x');
    struct Case {
        const char* name;
        Mode mode;
        R initial;
        DialogAnswer answer;
        std::optional<R> result;
        std::vector<int> messages;
    } cases[] = {
        {"add: bytes", Mode::Add, {}, {"Straße", "STRAßE"}, R{"Straße", "STRAßE"}, {}},
        {"add: same", Mode::Add, {}, {"same", "same"}, R{"same", "same"}, {kSame}},
        {"edit: A-Z", Mode::Edit, {"a", "b"}, {"Straße", "STRAßE"}, R{"Straße", "STRAßE"}, {kSame}},
        {"edit: only A-Z", Mode::Edit, {"a", "b"}, {"ä", "Ä"}, R{"ä", "Ä"}, {}},
        {"empty search", Mode::Add, {}, {"", "x"}, std::nullopt, {kMsgNoSearchTerm}},
        {"empty replacement", Mode::Add, {}, {"drop", ""}, R{"drop", ""}, {kMsgEmptyReplacement}},
        {"typed text cut", Mode::Add, {}, {a700, "b"}, R{a499, "b"}, {}},
        {"shown text cut", Mode::Edit, {x600, u600}, {}, R{x499, u499}, {}},
        {"escape", Mode::Edit, {"a", "b"}, {"x", "y", true}, std::nullopt, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageScript messages;
        c.answer.Arm();
        QWidget owner;
        EXPECT_EQ(RunReplacementDialog(&owner, c.mode, c.initial), c.result);
        EXPECT_EQ(c.answer.opened, 1);
        EXPECT_EQ(messages.Ids(), c.messages);
    }
}

// A replacement list view as the main dialog's: two columns, rows selected
// whole, several at once.
struct ListFixture {
    ListFixture() {
        Velmor_ListView_InsertColumn(&list, 0, "Suchen nach", 200, 0, 0);
        Velmor_ListView_InsertColumn(&list, 1, "Ersetzen durch", 200, 0, 0);
        list.setSelectionBehavior(QAbstractItemView::SelectRows);
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        list.resize(400, 200);
        list.show();
    }
    bool Add(const std::string& search, const std::string& replacement) {
        DialogAnswer answer{search, replacement};
        answer.Arm();
        return AddReplacement(&owner, &list);
    }
    QWidget owner;
    QTableWidget list;
    MessageScript messages;
};

TEST(ReplacementList, PairsAddedInARowEndAllSelectedAndInView) {
    ListFixture f;
    for (int i = 0; i < 40; ++i) {
        ListViewAppendRow(&f.list, {"row" + std::to_string(i), ""});
    }
    EXPECT_TRUE(f.Add("a", "1"));
    EXPECT_TRUE(f.Add("b", "2"));
    DialogAnswer cancel({}, {}, true);
    cancel.Arm();
    EXPECT_FALSE(AddReplacement(&f.owner, &f.list));
    EXPECT_EQ(ListViewRowCount(&f.list), 42);
    EXPECT_EQ(ListViewRow(&f.list, 40), ListRow("a", "1"));
    EXPECT_EQ(ListViewRow(&f.list, 41), ListRow("b", "2"));
    EXPECT_EQ(CountSelectedItems(&f.list), 2);
    EXPECT_EQ(f.list.currentRow(), 41);
    QRect row = f.list.visualRect(f.list.model()->index(41, 0));
    EXPECT_TRUE(f.list.viewport()->rect().contains(row)) << row.y();
    RemoveReplacements(&f.list);
    EXPECT_EQ(ListViewRowCount(&f.list), 40);
    EXPECT_EQ(CountSelectedItems(&f.list), 0);
}

TEST(ReplacementList, EditChangesTheFirstSelectedRowInPlace) {
    ListFixture f;
    for (const char* s : {"a", "b", "c"}) {
        ListViewAppendRow(&f.list, {s, "x"});
    }
    // Nothing selected: no dialog opens.
    EXPECT_FALSE(EditReplacement(&f.owner, &f.list));
    ListViewSelectRow(&f.list, 2);
    ListViewSelectRow(&f.list, 1);
    DialogAnswer edit{"B", "y"};
    edit.Arm();
    EXPECT_TRUE(EditReplacement(&f.owner, &f.list));
    EXPECT_EQ(edit.title, "Ersetzung ändern");
    EXPECT_EQ(edit.shownSearch, "b");
    EXPECT_EQ(ListViewRows(&f.list), (Rows{{"a", "x"}, {"B", "y"}, {"c", "x"}}));
    EXPECT_EQ(CountSelectedItems(&f.list), 2);
    DialogAnswer cancel({}, {}, true);
    cancel.Arm();
    EXPECT_FALSE(EditReplacement(&f.owner, &f.list));
    EXPECT_EQ(ListViewRow(&f.list, 1), ListRow("B", "y"));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST(ReplacementList, MenuItemsFollowTheSelectionCount) {
    struct Case {
        int selected;
        bool remove, edit;
    } cases[] = {{0, false, false}, {1, true, true}, {2, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        std::unique_ptr<QMenu> menu = BuildReplacementMenu(nullptr, c.selected);
        std::map<int, bool> enabled;
        for (QAction* action : menu->actions()) {
            enabled[action->data().toInt()] = action->isEnabled();
        }
        EXPECT_EQ(enabled, (std::map<int, bool>{{kMenuDelete, c.remove},
                                                {kMenuEdit, c.edit},
                                                {kMenuAddReplacement, true},
                                                {kMenuTest, true}}));
    }
}

} // namespace
