// The dialog base: commands from the controls' signals, Escape and Enter, and
// the control helpers.
#include "list_controls.h"
#include "velmor_dialog.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using Command = std::pair<int, int>;

// A double click as a person makes it: a click, then the second press.
void DoubleClick(QWidget* viewport, QPoint where) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, where);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, where);
}

// A dialog built in code the way a template builds one: every control
// carries its id.
class RecordingDialog : public VelmorDialog {
public:
    RecordingDialog() {
        auto* layout = new QVBoxLayout(this);
        auto add = [&](QWidget* widget, int id) {
            widget->setProperty(kControlIdProperty, id);
            layout->addWidget(widget);
            return widget;
        };
        ok = static_cast<QPushButton*>(add(new QPushButton("OK"), 1));
        ok->setDefault(true);
        other = static_cast<QPushButton*>(add(new QPushButton("Other"), 3));
        check = static_cast<QCheckBox*>(add(new QCheckBox("Check"), 10));
        auto* group = new QGroupBox("Group");
        group->setProperty(kControlIdProperty, 19);
        auto* groupLayout = new QVBoxLayout(group);
        for (int i = 0; i < 3; ++i) {
            radios[i] = new QRadioButton(QString("Radio %1").arg(i));
            radios[i]->setProperty(kControlIdProperty, 20 + i);
            groupLayout->addWidget(radios[i]);
        }
        layout->addWidget(group);
        edit = static_cast<QLineEdit*>(add(new QLineEdit, 30));
        label = static_cast<QLabel*>(add(new QLabel("Label"), 31));
        list = static_cast<QListWidget*>(add(new QListWidget, 40));
        view = static_cast<QTableWidget*>(add(new QTableWidget, 50));
        BindControls();
        Velmor_ListView_InsertColumn(view, 0, "A", 100, 0, 0);
        Velmor_ListView_InsertColumn(view, 1, "B", 100, 0, 0);
    }

    std::vector<Command> commands;
    bool endOnCancel = false;
    QPushButton* ok;
    QPushButton* other;
    QCheckBox* check;
    QRadioButton* radios[3];
    QLineEdit* edit;
    QLabel* label;
    QListWidget* list;
    QTableWidget* view;

protected:
    void OnCommand(int id, int notification) override {
        commands.emplace_back(id, notification);
        if (id == kIdCancel && endOnCancel) {
            EndDialog(7);
        }
    }
};

TEST(DialogCommands, ButtonsSendTheirIdWithTheClickNotification) {
    RecordingDialog dialog;
    QTest::mouseClick(dialog.other, Qt::LeftButton);
    dialog.check->click();
    dialog.radios[1]->click();
    EXPECT_EQ(
        dialog.commands,
        (std::vector<Command>{{3, kNotifyClicked}, {10, kNotifyClicked}, {21, kNotifyClicked}}));
}

TEST(DialogCommands, ProgrammaticChecksSendNothing) {
    RecordingDialog dialog;
    SetButtonCheck(dialog, 10, 1);
    CheckRadioButton(dialog, 20, 22, 22);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST(DialogCommands, EditSendsUpdateThenChangeOnlyWhenTheTextChanges) {
    RecordingDialog dialog;
    SetControlText(dialog, 30, "abc");
    SetControlText(dialog, 30, "abc"); // unchanged: no notification
    QTest::keyClick(dialog.edit, Qt::Key_X);
    EXPECT_EQ(dialog.commands, (std::vector<Command>{{30, kNotifyTextUpdate},
                                                     {30, kNotifyTextChanged},
                                                     {30, kNotifyTextUpdate},
                                                     {30, kNotifyTextChanged}}));
}

TEST(DialogCommands, ListBoxSendsSelectionChangeAndDoubleClick) {
    RecordingDialog dialog;
    dialog.show();
    Velmor_AddBoxEntry(dialog.list, "one");
    dialog.commands.clear();
    Velmor_SetBoxIndex(dialog.list, 0);
    QRect rect = dialog.list->visualItemRect(dialog.list->item(0));
    DoubleClick(dialog.list->viewport(), rect.center());
    ASSERT_FALSE(dialog.commands.empty());
    EXPECT_EQ(dialog.commands.front(), Command(40, kNotifySelectionChanged));
    EXPECT_EQ(dialog.commands.back(), Command(40, kNotifyDoubleClick));
}

TEST(DialogCommands, ListViewSendsItemChangedRightClickAndDoubleClick) {
    RecordingDialog dialog;
    dialog.show();
    ListViewAppendRow(dialog.view, {"a", "b"});
    dialog.commands.clear();
    ListViewSelectRow(dialog.view, 0);
    EXPECT_EQ(dialog.commands.back(), Command(50, kNotifyItemChanged));

    QRect rect = dialog.view->visualItemRect(dialog.view->item(0, 0));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, rect.center(),
                           dialog.view->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(dialog.view->viewport(), &menu);
    EXPECT_EQ(dialog.commands.back(), Command(50, kNotifyRightClick));

    DoubleClick(dialog.view->viewport(), rect.center());
    EXPECT_EQ(dialog.commands.back(), Command(50, kNotifyListDoubleClick));
}

TEST(DialogCommands, EscapeIsCommandTwoAndEndsNothingByItself) {
    RecordingDialog dialog;
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.commands, (std::vector<Command>{{kIdCancel, kNotifyClicked}}));
    EXPECT_TRUE(dialog.isVisible());

    dialog.close(); // the close box: the same command
    EXPECT_EQ(dialog.commands.size(), 2u);
    EXPECT_TRUE(dialog.isVisible());

    dialog.endOnCancel = true;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 7);
}

TEST(DialogCommands, EnterPressesOnlyTheDefaultButton) {
    RecordingDialog dialog;
    dialog.show();
    EXPECT_FALSE(dialog.other->autoDefault());
    dialog.other->setFocus();
    QTest::keyClick(dialog.other, Qt::Key_Return);
    dialog.edit->setFocus();
    QTest::keyClick(dialog.edit, Qt::Key_Enter);
    std::vector<Command> clicks;
    for (const Command& c : dialog.commands) {
        if (c.second == kNotifyClicked) {
            clicks.push_back(c);
        }
    }
    EXPECT_EQ(clicks, (std::vector<Command>{{1, kNotifyClicked}, {1, kNotifyClicked}}));
}

TEST(ControlHelpers, RadioGroupsReadTheFirstCheckedOrTheFirstId) {
    RecordingDialog dialog;
    EXPECT_EQ(GetCheckedRadio(dialog, 20, 22), 20); // none checked
    CheckRadioButton(dialog, 20, 22, 22);
    EXPECT_EQ(GetCheckedRadio(dialog, 20, 22), 22);
    EXPECT_TRUE(IsButtonChecked(dialog, 22));

    SetButtonCheck(dialog, 22, 0); // a checked auto-exclusive radio can be cleared
    EXPECT_FALSE(IsButtonChecked(dialog, 22));
    EXPECT_EQ(GetCheckedRadio(dialog, 20, 22), 20);

    CheckRadioButton(dialog, 20, 22, 21);
    CheckRadioButton(dialog, 20, 22, -1); // no such radio: the group is cleared
    for (int id = 20; id <= 22; ++id) {
        EXPECT_FALSE(IsButtonChecked(dialog, id)) << id;
    }
    // The group still works as a group afterwards.
    dialog.radios[0]->click();
    dialog.radios[2]->click();
    EXPECT_FALSE(dialog.radios[0]->isChecked());
}

TEST(ControlHelpers, AnyNonzeroStateChecks) {
    RecordingDialog dialog;
    SetButtonCheck(dialog, 10, 7);
    EXPECT_TRUE(IsButtonChecked(dialog, 10));
    EXPECT_EQ(dialog.check->checkState(), Qt::Checked);
    SetButtonCheck(dialog, 10, -1);
    EXPECT_EQ(dialog.check->checkState(), Qt::Checked);
    SetButtonCheck(dialog, 10, 0);
    EXPECT_FALSE(IsButtonChecked(dialog, 10));
}

TEST(ControlHelpers, TextIsReadInCharactersUpToSizeMinusOne) {
    RecordingDialog dialog;
    SetControlText(dialog, 30, "äöü€x");
    struct Case {
        int size;
        const char* expected;
    } cases[] = {{-1, ""}, {0, ""}, {1, ""}, {3, "äö"}, {6, "äöü€x"}, {100, "äöü€x"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(GetControlText(dialog, 30, c.size), c.expected);
    }
    // A character outside the basic plane is never cut in half.
    SetControlText(dialog, 30,
                   "a\xF0\x9F\x98\x80"
                   "b");
    EXPECT_EQ(GetControlText(dialog, 30, 3), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(GetControlText(dialog, 30, 2), "a");
}

TEST(ControlHelpers, DialogUnitsFollowTheFont) {
    RecordingDialog dialog;
    QSize small = dialog.DialogUnitsToPixels(QSize(100, 80));
    QFont big = dialog.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    dialog.setFont(big);
    QSize large = dialog.DialogUnitsToPixels(QSize(100, 80));
    EXPECT_GT(large.width(), small.width());
    EXPECT_GT(large.height(), small.height());
    // 8 vertical units are one line of text.
    EXPECT_EQ(dialog.DialogUnitsToPixels(QSize(0, 8)).height(), QFontMetrics(big).height());
}

} // namespace
