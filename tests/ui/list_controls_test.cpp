// List boxes and the report list view.
#include "list_controls.h"

#include <QListWidget>
#include <QLocale>
#include <QTableWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Entries = std::vector<std::string>;

TEST(FillBoxExtended, CleanModeTrimsSkipsEmptyAndDuplicateItems) {
    struct Case {
        const char* name;
        Entries before;
        const char* text;
        Entries after;
    } cases[] = {
        {"two items", {}, "/a;/b", {"/a", "/b"}},
        {"blanks around items", {}, "  /a ;\t/b\t", {"/a", "/b"}},
        {"blanks inside stay", {}, "/my dir", {"/my dir"}},
        {"empty items", {}, ";;/a;; ;", {"/a"}},
        {"blanks only", {}, "   ", {}},
        {"already in the box", {"/a"}, "/a;/b", {"/a", "/b"}},
        {"twice in the text", {}, "/b;/b ; /b", {"/b"}},
        {"case counts", {"/a"}, "/A", {"/A", "/a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QListWidget box;
        box.setSortingEnabled(true);
        Velmor_FillBox(&box, c.before);
        Velmor_FillBoxExtended(&box, ';', c.text, kFillClean);
        EXPECT_EQ(BoxEntries(&box), c.after);
    }
}

// A sorted box orders by the locale's collation, ignoring letter case, with
// byte order between entries that compare equal; the order does not depend
// on the order of adding. Without a locale ("C") the language-neutral order
// of Unicode applies.
TEST(SortedBox, AlphabeticalOrderOfTheLocaleWithByteOrderAsTieBreak) {
    struct Case {
        const char* name;
        QLocale locale;
        Entries added;
        Entries sorted;
    } cases[] = {
        {"German",
         QLocale(QLocale::German, QLocale::Germany),
         {"A.txt", "B.txt", "a.txt", "b.txt", "z.txt", "Ä.txt"},
         {"A.txt", "a.txt", "Ä.txt", "B.txt", "b.txt", "z.txt"}},
        {"no locale",
         QLocale::c(),
         {"A.txt", "B.txt", "a.txt", "b.txt", "z.txt", "Ä.txt"},
         {"A.txt", "a.txt", "Ä.txt", "B.txt", "b.txt", "z.txt"}},
        {"case only", QLocale(QLocale::German), {"/data", "/Data"}, {"/Data", "/data"}},
        {"Swedish puts Ä after Z",
         QLocale(QLocale::Swedish, QLocale::Sweden),
         {"a", "ä", "z"},
         {"a", "z", "ä"}},
        {"digits and punctuation",
         QLocale(QLocale::English),
         {"/src/C++", "/src/c", "/Fotos [2024]", "/fotos"},
         {"/fotos", "/Fotos [2024]", "/src/c", "/src/C++"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QLocale::setDefault(c.locale);
        for (bool reversed : {false, true}) {
            Entries added = c.added;
            if (reversed) {
                std::reverse(added.begin(), added.end());
            }
            QListWidget box;
            box.setSortingEnabled(true);
            for (const std::string& entry : added) {
                Velmor_AddBoxEntry(&box, entry);
            }
            EXPECT_EQ(BoxEntries(&box), c.sorted);
        }
    }
    QLocale::setDefault(QLocale::c());
}

TEST(FillBoxExtended, AsIsModeAddsEveryItem) {
    QListWidget box;
    Velmor_FillBoxExtended(&box, ';', " a;;a", kFillAsIs);
    EXPECT_EQ(BoxEntries(&box), (Entries{" a", "", "a"}));
}

TEST(ListBox, ReadAndFillRoundTripWithTabs) {
    QListWidget box;
    box.setSortingEnabled(true);
    Velmor_FillBox(&box, '\t', "/z\t/a\t/m");
    EXPECT_EQ(Velmor_ReadBox(&box, '\t'), "/a\t/m\t/z");
    EXPECT_EQ(Velmor_ReadBox(&box, ';'), "/a;/m;/z");
    Velmor_FillBox(&box, '\t', "");
    EXPECT_EQ(Velmor_GetBoxCount(&box), 0);
}

TEST(ListBox, EntriesKeepTheirExactBytes) {
    QListWidget box;
    std::string notUtf8 = "/tmp/caf\xE9";
    Velmor_AddBoxEntry(&box, notUtf8);
    EXPECT_EQ(Velmor_GetBoxEntry(&box, 0), notUtf8);
    EXPECT_EQ(Velmor_ReadBox(&box, '\t'), notUtf8);
}

TEST(ListBox, SelectionByIndex) {
    QListWidget box;
    Velmor_FillBox(&box, Entries{"a", "b", "c"});
    EXPECT_EQ(Velmor_GetBoxIndex(&box), -1);
    EXPECT_EQ(Velmor_GetBoxEntry(&box, -1), std::nullopt);
    Velmor_SetBoxIndex(&box, 1);
    EXPECT_EQ(Velmor_GetBoxIndex(&box), 1);
    EXPECT_EQ(Velmor_GetBoxEntry(&box, -1), "b");
    Velmor_SetBoxIndex(&box, 3); // one past the end: the last entry
    EXPECT_EQ(Velmor_GetBoxIndex(&box), 2);
    Velmor_SetBoxIndex(&box, -1);
    EXPECT_EQ(Velmor_GetBoxIndex(&box), -1);
    Velmor_DeleteBoxEntry(&box, 5); // nothing there
    Velmor_DeleteBoxEntry(&box, 0);
    EXPECT_EQ(BoxEntries(&box), (Entries{"b", "c"}));
    QListWidget empty;
    Velmor_SetBoxIndex(&empty, 0);
    EXPECT_EQ(Velmor_GetBoxIndex(&empty), -1);
}

QTableWidget* NewView() {
    auto* view = new QTableWidget;
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Velmor_ListView_InsertColumn(view, 0, "Suchen nach", 200, 76, 0);
    Velmor_ListView_InsertColumn(view, 1, "Ersetzen durch", 200, 76, 0);
    return view;
}

TEST(ListView, SaveAndLoadGiveBackEveryRowInOrder) {
    std::unique_ptr<QTableWidget> view(NewView());
    std::vector<ListRow> rows = {{"a\tb", "c\nd"}, {"back\\slash", ""}, {"\\t typed", "\\x41"},
                                 {"ä€", "x\r"},    {"same", "same"},    {"same", "other"}};
    for (const ListRow& row : rows) {
        ListViewAppendRow(view.get(), row);
    }
    std::string text = Velmor_ListView_SaveToBuffer(view.get());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5); // one line a row
    std::unique_ptr<QTableWidget> other(NewView());
    Velmor_ListView_LoadFromBuffer(other.get(), text);
    EXPECT_EQ(ListViewRows(other.get()), rows);
    // The text is the layout the profile code reads.
    EXPECT_EQ(ListRowsFromText(text), rows);
}

TEST(ListView, SelectingARowKeepsEarlierSelections) {
    std::unique_ptr<QTableWidget> view(NewView());
    for (int i = 0; i < 4; ++i) {
        ListViewAppendRow(view.get(), {std::to_string(i), ""});
    }
    EXPECT_EQ(CountSelectedItems(view.get()), 0);
    EXPECT_EQ(ListViewNextSelected(view.get(), -1), -1);
    ListViewSelectRow(view.get(), 1);
    ListViewSelectRow(view.get(), 3);
    EXPECT_EQ(CountSelectedItems(view.get()), 2);
    EXPECT_EQ(ListViewNextSelected(view.get(), -1), 1);
    EXPECT_EQ(ListViewNextSelected(view.get(), 1), 3);
    EXPECT_EQ(view->currentRow(), 3);
    ListViewSetRow(view.get(), 1, {"x", "y"}); // a changed row stays selected
    EXPECT_EQ(CountSelectedItems(view.get()), 2);
    EXPECT_EQ(ListViewRow(view.get(), 1), ListRow("x", "y"));
    ListViewDeleteRow(view.get(), 1);
    EXPECT_EQ(CountSelectedItems(view.get()), 1);
    ListViewDeleteAll(view.get());
    EXPECT_EQ(ListViewRowCount(view.get()), 0);
}

} // namespace
