// List boxes (QListWidget) and the report list view (QTableWidget with two
// columns, full-row selection) addressed the way the dialogs use them.
// Entries are UTF-8 texts.
#pragma once

#include "list_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QListWidget;
class QTableWidget;

// How Velmor_FillBoxExtended treats the items of its text.
enum FillMode : int {
    // Every item is added as it stands, empty ones included.
    kFillAsIs = 1,
    // Blanks (spaces and tabs) around an item are dropped, empty items are
    // left out, and an item the box already holds (or that came earlier in
    // the same text) is not added again.
    kFillClean = 2,
};

// All entries joined by `separator`, in the box's order.
std::string Velmor_ReadBox(const QListWidget* box, char separator);
// Replaces all entries by the items of `text` split at `separator`; the
// empty text empties the box. Empty items are left out.
void Velmor_FillBox(QListWidget* box, char separator, std::string_view text);
// Replaces all entries by `entries`; empty entries are left out.
void Velmor_FillBox(QListWidget* box, const std::vector<std::string>& entries);
// Adds the items of `text` split at `separator` to the entries (FillMode).
void Velmor_FillBoxExtended(QListWidget* box, char separator, std::string_view text, int mode);
// True when entry `a` comes before `b` in a sorted box: by the locale's
// collation, ignoring letter case, and by byte order where that finds them
// equal (so the order is total and stable).
bool BoxEntryBefore(std::string_view a, std::string_view b);
// Adds one entry at `index` (-1: at the end). A sorted box places it by
// itself. Gives the entry's index.
int Velmor_AddBoxEntry(QListWidget* box, std::string_view text, int index = -1);
// The entry at `index`, or the selected one for -1; nothing when there is no
// such entry (or no selection).
std::optional<std::string> Velmor_GetBoxEntry(const QListWidget* box, int index);
// The selected entry's index, -1 when none is selected.
int Velmor_GetBoxIndex(const QListWidget* box);
// Selects the entry at `index`. An index past the end selects the last entry,
// so "remove" repeated on the last entry keeps clearing the list; a negative
// index or an empty box leaves nothing selected.
void Velmor_SetBoxIndex(QListWidget* box, int index);
int Velmor_GetBoxCount(const QListWidget* box);
// Deletes the entry at `index`; nothing for an index that is not there.
void Velmor_DeleteBoxEntry(QListWidget* box, int index);
// All entries in the box's order.
std::vector<std::string> BoxEntries(const QListWidget* box);

// Adds a column with `caption`. `width` is the column's initial width in
// pixels; the columns share the view's width (each one stretches).
void Velmor_ListView_InsertColumn(QTableWidget* view, int column, std::string_view caption,
                                  int width, int reserved1, int reserved2);
// All rows as one text (the layout of ListRowsToText).
std::string Velmor_ListView_SaveToBuffer(const QTableWidget* view);
// Appends the rows of a text made by Velmor_ListView_SaveToBuffer.
void Velmor_ListView_LoadFromBuffer(QTableWidget* view, std::string_view text);

std::vector<ListRow> ListViewRows(const QTableWidget* view);
ListRow ListViewRow(const QTableWidget* view, int index);
// Appends a row; gives its index.
int ListViewAppendRow(QTableWidget* view, const ListRow& row);
void ListViewSetRow(QTableWidget* view, int index, const ListRow& row);
void ListViewDeleteRow(QTableWidget* view, int index);
void ListViewDeleteAll(QTableWidget* view);
int ListViewRowCount(const QTableWidget* view);
// The first selected row after `after` (-1: from the start), -1 when none.
int ListViewNextSelected(const QTableWidget* view, int after);
// The number of selected rows.
int CountSelectedItems(const QTableWidget* view);
// Adds the row to the selection, makes it the current row and scrolls it
// fully into view; rows selected before stay selected.
void ListViewSelectRow(QTableWidget* view, int index);
