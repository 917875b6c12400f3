// The replacement list: dialogs 109 and 113 with their notices, selections,
// removing, double click and the context menu.
#include "app_test_support.h"
#include "list_controls.h"
#include "main_controls.h"
#include "replacement_list.h"
#include "string_table.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<ListRow>;

QLineEdit* Edit(ReplacementDialog* dialog, int id) {
    return dialog->ControlAs<QLineEdit>(id);
}

// Answers the next replacement dialog: types the texts (replacing what the
// fields hold) and presses OK; cancels if it stays open. Records what the
// fields held when it opened.
struct DialogAnswer {
    DialogAnswer(std::string typedSearch = {}, std::string typedReplacement = {})
        : search(std::move(typedSearch)), replacement(std::move(typedReplacement)) {}
    std::string search, replacement;
    std::string shownSearch, shownReplacement, title;
    bool stayedOpen = false;
    int opened = 0;
    void Arm() {
        WhenModal<ReplacementDialog>([this](ReplacementDialog* dialog) {
            ++opened;
            title = ToUtf8(dialog->windowTitle());
            shownSearch = ToUtf8(Edit(dialog, kIdSearchEdit)->text());
            shownReplacement = ToUtf8(Edit(dialog, kIdReplacementEdit)->text());
            Edit(dialog, kIdSearchEdit)->setText(ToQString(search));
            Edit(dialog, kIdReplacementEdit)->setText(ToQString(replacement));
            QTest::mouseClick(static_cast<QPushButton*>(dialog->Control(kIdOk)), Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            if (stayedOpen) {
                dialog->SendCommand(kIdCancel, 0);
            }
        });
    }
};

int Add(MainDialogWindow& window, const std::string& search, const std::string& replacement) {
    DialogAnswer answer{search, replacement};
    answer.Arm();
    static_cast<QPushButton*>(window.Control(kIdAddReplacement))->click();
    return answer.opened;
}

TEST(ReplacementDialogs, TitlesAndAccessibleNames) {
    MainDialogFixture f;
    ReplacementDialog add(*f.window, ReplacementDialog::Mode::Add);
    ReplacementDialog edit(*f.window, ReplacementDialog::Mode::Edit);
    EXPECT_EQ(ToUtf8(add.windowTitle()), "Ersetzung hinzufügen");
    EXPECT_EQ(ToUtf8(edit.windowTitle()), "Ersetzung ändern");
    EXPECT_EQ(ControlsWithoutAccessibleName(&add), std::vector<std::string>{});
    EXPECT_EQ(add.Control(kIdReplacementEdit)->accessibleName(), "Ersetzen durch");
}

TEST(ReplacementDialogs, ThreePairsAddedInARowEndAllSelected) {
    MainDialogFixture f;
    MessageScript messages;
    Add(*f.window, "a", "1");
    Add(*f.window, "b", "2");
    Add(*f.window, "c", "3");
    QTableWidget* list = f.window->ReplacementList();
    EXPECT_EQ(ListViewRows(list), (Rows{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
    EXPECT_EQ(CountSelectedItems(list), 3);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(f.window->Control(kIdRemoveReplacement)->isEnabled());
    static_cast<QPushButton*>(f.window->Control(kIdRemoveReplacement))->click();
    EXPECT_EQ(ListViewRowCount(list), 0);
    EXPECT_FALSE(f.window->Control(kIdRemoveReplacement)->isEnabled());
}

TEST(ReplacementDialogs, NewRowIsScrolledIntoView) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    for (int i = 0; i < 40; ++i) {
        ListViewAppendRow(list, {"row" + std::to_string(i), ""});
    }
    Add(*f.window, "last", "x");
    QRect row = list->visualRect(list->model()->index(40, 0));
    EXPECT_TRUE(list->viewport()->rect().contains(row)) << row.y();
}

TEST(ReplacementDialogs, CaseRuleOfTheEqualityNoticeDiffersBetweenAddAndEdit) {
    MainDialogFixture f;
    MessageScript messages;
    Add(*f.window, "Straße", "STRAßE");
    EXPECT_TRUE(messages.shown.empty()); // 109 compares byte for byte
    Add(*f.window, "same", "same");
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgReplacementEqualsSearch});

    messages.shown.clear();
    QTableWidget* list = f.window->ReplacementList();
    list->clearSelection();
    ListViewSelectRow(list, 0);
    DialogAnswer edit{"Straße", "STRAßE"};
    edit.Arm();
    static_cast<QPushButton*>(f.window->Control(kIdEditReplacement))->click();
    EXPECT_EQ(edit.title, "Ersetzung ändern");
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgReplacementEqualsSearch}); // A-Z folded
    // Only A-Z fold: ä and Ä differ.
    messages.shown.clear();
    DialogAnswer umlaut{"ä", "Ä"};
    umlaut.Arm();
    EditReplacement(*f.window);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ReplacementDialogs, EmptySearchIsRefusedEmptyReplacementIsNoticed) {
    MainDialogFixture f;
    MessageScript messages;
    DialogAnswer empty{"", "x"};
    empty.Arm();
    AddReplacement(*f.window);
    EXPECT_TRUE(empty.stayedOpen);
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgNoSearchTerm});
    EXPECT_EQ(ListViewRowCount(f.window->ReplacementList()), 0);

    messages.shown.clear();
    Add(*f.window, "drop me", "");
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgEmptyReplacement});
    EXPECT_EQ(ListViewRows(f.window->ReplacementList()), (Rows{{"drop me", ""}}));
}

TEST(ReplacementDialogs, CancelAddsNothing) {
    MainDialogFixture f;
    WhenModal<ReplacementDialog>([](ReplacementDialog* dialog) {
        Edit(dialog, kIdSearchEdit)->setText("x");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(AddReplacement(*f.window), 2);
    EXPECT_EQ(ListViewRowCount(f.window->ReplacementList()), 0);
}

TEST(ReplacementDialogs, EditChangesTheFirstSelectedRowInPlace) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    for (const char* s : {"a", "b", "c"}) {
        ListViewAppendRow(list, {s, "x"});
    }
    ListViewSelectRow(list, 2);
    ListViewSelectRow(list, 1);
    DialogAnswer edit{"B", "y"};
    edit.Arm();
    EXPECT_EQ(EditReplacement(*f.window), 1);
    EXPECT_EQ(edit.shownSearch, "b");
    EXPECT_EQ(edit.shownReplacement, "x");
    EXPECT_EQ(ListViewRows(list), (Rows{{"a", "x"}, {"B", "y"}, {"c", "x"}}));
    EXPECT_EQ(CountSelectedItems(list), 2);
}

TEST(ReplacementDialogs, TextsAreCutAt499Characters) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    std::string longText(600, 'x');
    ListViewAppendRow(list, {longText, "ü" + longText});
    ListViewSelectRow(list, 0);
    DialogAnswer keep;
    WhenModal<ReplacementDialog>([&](ReplacementDialog* dialog) {
        keep.shownSearch = ToUtf8(Edit(dialog, kIdSearchEdit)->text());
        keep.shownReplacement = ToUtf8(Edit(dialog, kIdReplacementEdit)->text());
        dialog->SendCommand(kIdOk, 0);
    });
    EXPECT_EQ(EditReplacement(*f.window), 1);
    EXPECT_EQ(keep.shownSearch, std::string(499, 'x'));
    EXPECT_EQ(keep.shownReplacement, "ü" + std::string(498, 'x'));
    EXPECT_EQ(ListViewRow(list, 0), ListRow(std::string(499, 'x'), "ü" + std::string(498, 'x')));

    Add(*f.window, std::string(700, 'a'), "b");
    EXPECT_EQ(ListViewRow(list, 1).first, std::string(499, 'a'));
}

TEST(ReplacementDialogs, EditWithNothingSelectedShowsNothing) {
    MainDialogFixture f;
    ListViewAppendRow(f.window->ReplacementList(), {"a", "b"});
    // A dialog would block here until answered; none is.
    EXPECT_EQ(EditReplacement(*f.window), 2);
    f.window->SendCommand(kIdEditReplacement, 0);
    EXPECT_EQ(ListViewRow(f.window->ReplacementList(), 0), ListRow("a", "b"));
}

// What the context menu offers, and the item chosen from it.
struct MenuAnswer {
    std::map<int, bool> enabled;
    int shown = 0;
    void Choose(int item) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, timer, item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            ++shown;
            QAction* target = nullptr;
            for (QAction* action : menu->actions()) {
                enabled[action->data().toInt()] = action->isEnabled();
                if (action->data().toInt() == item) {
                    target = action;
                }
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
};

void RightClick(QTableWidget* view) {
    QPoint where(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, view->viewport()->mapToGlobal(where));
    QApplication::sendEvent(view->viewport(), &event);
}

TEST(ReplacementMenu, GrayingFollowsTheSelectionCount) {
    MainDialogFixture f;
    QTableWidget* list = f.window->ReplacementList();
    ListViewAppendRow(list, {"a", "1"});
    ListViewAppendRow(list, {"b", "2"});
    struct Case {
        std::vector<int> selected;
        bool remove, edit;
    } cases[] = {{{}, false, false}, {{0}, true, true}, {{0, 1}, true, false}};
    for (const Case& c : cases) {
        list->clearSelection();
        for (int row : c.selected) {
            ListViewSelectRow(list, row);
        }
        MenuAnswer answer;
        answer.Choose(0);
        RightClick(list);
        EXPECT_EQ(answer.shown, 1);
        EXPECT_EQ(answer.enabled[kMenuDelete], c.remove) << c.selected.size();
        EXPECT_EQ(answer.enabled[kMenuEdit], c.edit) << c.selected.size();
        EXPECT_TRUE(answer.enabled[kMenuAddReplacement]);
        EXPECT_EQ(ListViewRowCount(list), 2);
    }
}

TEST(ReplacementMenu, DeleteRemovesEverySelectedRow) {
    MainDialogFixture f;
    QTableWidget* list = f.window->ReplacementList();
    for (const char* s : {"a", "b", "c"}) {
        ListViewAppendRow(list, {s, ""});
    }
    ListViewSelectRow(list, 0);
    ListViewSelectRow(list, 2);
    MenuAnswer answer;
    answer.Choose(kMenuDelete);
    RightClick(list);
    EXPECT_EQ(ListViewRows(list), (Rows{{"b", ""}}));
    EXPECT_FALSE(f.window->Control(kIdRemoveReplacement)->isEnabled());
}

TEST(ReplacementMenu, AddAndEditOpenTheirDialogs) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    MenuAnswer add;
    add.Choose(kMenuAddReplacement);
    DialogAnswer pair{"new", "pair"};
    pair.Arm();
    RightClick(list);
    EXPECT_EQ(ListViewRows(list), (Rows{{"new", "pair"}}));

    MenuAnswer edit;
    edit.Choose(kMenuEdit);
    DialogAnswer changed{"changed", "pair"};
    changed.Arm();
    RightClick(list); // the new row is selected
    EXPECT_EQ(ListViewRows(list), (Rows{{"changed", "pair"}}));
}

TEST(ReplacementMenu, DoubleClickOnTheListViewEditsButNotOnTheListBoxes) {
    MainDialogFixture f;
    MessageScript messages;
    QTableWidget* list = f.window->ReplacementList();
    ListViewAppendRow(list, {"a", "b"});
    DialogAnswer edit{"z", "b"};
    edit.Arm();
    QRect cell = list->visualItemRect(list->item(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(edit.opened, 1);
    EXPECT_EQ(ListViewRow(list, 0).first, "z");

    // The same clicks on a list box: nothing opens, nothing changes.
    QListWidget* box = f.window->DirectoryList();
    Velmor_FillBox(box, {"/a"});
    QRect item = box->visualItemRect(box->item(0));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, item.center());
    QContextMenuEvent menu(QContextMenuEvent::Mouse, item.center(),
                           box->viewport()->mapToGlobal(item.center()));
    QApplication::sendEvent(box->viewport(), &menu);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(BoxEntries(box), std::vector<std::string>{"/a"});
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
