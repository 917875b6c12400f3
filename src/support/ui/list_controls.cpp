#include "list_controls.h"

#include "velmor_dialog.h"
#include "velmor_strings.h"

#include <QCollator>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QLocale>
#include <QTableWidget>
#include <algorithm>

namespace {

// An entry keeps its exact bytes beside the text shown, so a path that is
// not valid UTF-8 comes back unchanged.
constexpr int kBytesRole = Qt::UserRole + 1;

std::string EntryBytes(const QListWidgetItem* item) {
    QVariant bytes = item->data(kBytesRole);
    if (bytes.isValid()) {
        QByteArray raw = bytes.toByteArray();
        return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
    }
    return ToUtf8(item->text());
}

// The collation sorted boxes use: the locale's, ignoring letter case. The
// "C" locale (no locale configured) has none but code point order, so the
// language-neutral order of Unicode stands in for it there.
// Made again only when the default locale changes.
const QCollator& BoxCollator() {
    static QString madeFor;
    static QCollator collator;
    QLocale locale;
    if (locale.language() == QLocale::C) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    if (locale.name() != madeFor) {
        madeFor = locale.name();
        collator = QCollator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
    return collator;
}

// An entry of a list box. A sorted box orders its entries by the locale's
// collation, ignoring letter case; entries that compare equal so (a
// different case, or letters the collation does not tell apart) keep the
// order of their bytes, so "/Data" and "/data" are two entries in a stable
// order.
class BoxEntry : public QListWidgetItem {
public:
    explicit BoxEntry(std::string_view bytes)
        : QListWidgetItem(ToQString(bytes)),
          bytes_(bytes.data(), static_cast<qsizetype>(bytes.size())) {
        setData(kBytesRole, bytes_);
    }
    bool operator<(const QListWidgetItem& other) const override {
        const QByteArray otherBytes = other.data(kBytesRole).toByteArray();
        return BoxEntryBefore(std::string_view(bytes_.constData(), bytes_.size()),
                              std::string_view(otherBytes.constData(), otherBytes.size()));
    }

private:
    QByteArray bytes_;
};

bool BoxHolds(const QListWidget* box, std::string_view text) {
    for (int i = 0; i < box->count(); ++i) {
        if (EntryBytes(box->item(i)) == text) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string Velmor_ReadBox(const QListWidget* box, char separator) {
    return JoinWith(BoxEntries(box), separator);
}

std::vector<std::string> BoxEntries(const QListWidget* box) {
    std::vector<std::string> entries;
    for (int i = 0; i < box->count(); ++i) {
        entries.push_back(EntryBytes(box->item(i)));
    }
    return entries;
}

void Velmor_FillBox(QListWidget* box, char separator, std::string_view text) {
    Velmor_FillBox(box, SplitAt(text, separator));
}

void Velmor_FillBox(QListWidget* box, const std::vector<std::string>& entries) {
    box->clear();
    for (const std::string& entry : entries) {
        if (!entry.empty()) {
            Velmor_AddBoxEntry(box, entry);
        }
    }
}

void Velmor_FillBoxExtended(QListWidget* box, char separator, std::string_view text, int mode) {
    for (const std::string& raw : SplitAt(text, separator)) {
        if (mode != kFillClean) {
            Velmor_AddBoxEntry(box, raw);
            continue;
        }
        std::string_view item = TrimBlanks(raw);
        if (item.empty() || BoxHolds(box, item)) {
            continue;
        }
        Velmor_AddBoxEntry(box, item);
    }
}

bool BoxEntryBefore(std::string_view a, std::string_view b) {
    const int order = BoxCollator().compare(ToQString(a), ToQString(b));
    return order != 0 ? order < 0 : a < b;
}

int Velmor_AddBoxEntry(QListWidget* box, std::string_view text, int index) {
    auto* item = new BoxEntry(text);
    if (index < 0 || index > box->count()) {
        box->addItem(item);
    } else {
        box->insertItem(index, item);
    }
    return box->row(item);
}

std::optional<std::string> Velmor_GetBoxEntry(const QListWidget* box, int index) {
    if (index < 0) {
        index = Velmor_GetBoxIndex(box);
    }
    if (index < 0 || index >= box->count()) {
        return std::nullopt;
    }
    return EntryBytes(box->item(index));
}

int Velmor_GetBoxIndex(const QListWidget* box) {
    const auto selected = box->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    return box->row(selected.first());
}

void Velmor_SetBoxIndex(QListWidget* box, int index) {
    if (index < 0 || box->count() == 0) {
        box->clearSelection();
        return;
    }
    index = std::min(index, box->count() - 1);
    box->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    box->scrollToItem(box->item(index));
}

int Velmor_GetBoxCount(const QListWidget* box) {
    return box->count();
}

void Velmor_DeleteBoxEntry(QListWidget* box, int index) {
    if (index < 0 || index >= box->count()) {
        return;
    }
    delete box->takeItem(index);
}

void Velmor_ListView_InsertColumn(QTableWidget* view, int column, std::string_view caption,
                                  int width, int reserved1, int reserved2) {
    (void)reserved1;
    (void)reserved2;
    column = std::clamp(column, 0, view->columnCount());
    view->insertColumn(column);
    view->setHorizontalHeaderItem(column, new QTableWidgetItem(ToQString(caption)));
    view->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Stretch);
    view->setColumnWidth(column, width);
}

std::string Velmor_ListView_SaveToBuffer(const QTableWidget* view) {
    return ListRowsToText(ListViewRows(view));
}

void Velmor_ListView_LoadFromBuffer(QTableWidget* view, std::string_view text) {
    for (const ListRow& row : ListRowsFromText(text)) {
        ListViewAppendRow(view, row);
    }
}

std::vector<ListRow> ListViewRows(const QTableWidget* view) {
    std::vector<ListRow> rows;
    for (int i = 0; i < view->rowCount(); ++i) {
        rows.push_back(ListViewRow(view, i));
    }
    return rows;
}

ListRow ListViewRow(const QTableWidget* view, int index) {
    auto cell = [&](int column) {
        const QTableWidgetItem* item = view->item(index, column);
        return item ? ToUtf8(item->text()) : std::string();
    };
    return {cell(0), cell(1)};
}

namespace {
QTableWidgetItem* NewCell(const std::string& text) {
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}
} // namespace

int ListViewAppendRow(QTableWidget* view, const ListRow& row) {
    if (view->columnCount() < 2) {
        view->setColumnCount(2);
    }
    int index = view->rowCount();
    view->insertRow(index);
    ListViewSetRow(view, index, row);
    return index;
}

void ListViewSetRow(QTableWidget* view, int index, const ListRow& row) {
    if (index < 0 || index >= view->rowCount()) {
        return;
    }
    // Replacing the items would drop the row's selection; change the texts.
    for (int column = 0; column < 2; ++column) {
        const std::string& text = column == 0 ? row.first : row.second;
        if (QTableWidgetItem* item = view->item(index, column)) {
            item->setText(ToQString(text));
        } else {
            view->setItem(index, column, NewCell(text));
        }
    }
}

void ListViewDeleteRow(QTableWidget* view, int index) {
    if (index >= 0 && index < view->rowCount()) {
        view->removeRow(index);
    }
}

void ListViewDeleteAll(QTableWidget* view) {
    view->setRowCount(0);
}

int ListViewRowCount(const QTableWidget* view) {
    return view->rowCount();
}

int ListViewNextSelected(const QTableWidget* view, int after) {
    const QItemSelectionModel* selection = view->selectionModel();
    for (int i = std::max(after + 1, 0); i < view->rowCount(); ++i) {
        if (selection->isRowSelected(i, QModelIndex())) {
            return i;
        }
    }
    return -1;
}

int CountSelectedItems(const QTableWidget* view) {
    int count = 0;
    for (int i = ListViewNextSelected(view, -1); i >= 0; i = ListViewNextSelected(view, i)) {
        ++count;
    }
    return count;
}

void ListViewSelectRow(QTableWidget* view, int index) {
    if (index < 0 || index >= view->rowCount()) {
        return;
    }
    QModelIndex cell = view->model()->index(index, 0);
    view->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::Select |
                                                      QItemSelectionModel::Rows);
    view->scrollTo(cell, QAbstractItemView::EnsureVisible);
}
