#include "changed_file_model.h"

#include "string_table.h"

#include <algorithm>
#include <numeric>

namespace {

QString TableText(int id) {
    std::string_view text = LoadTranslatedString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::int64_t CounterOf(const ChangeRecord& record, int column) {
    switch (column) {
    case ChangedFileModel::kReplacementsColumn:
        return record.counters.replacements;
    case ChangedFileModel::kLinesChangedColumn:
        return record.counters.lineChanges;
    case ChangedFileModel::kEmptyLinesColumn:
        return record.counters.emptyLinesRemoved;
    default:
        return 0;
    }
}

} // namespace

ChangedFileModel::ChangedFileModel(QObject* parent) : QAbstractTableModel(parent) {}

bool ChangedFileModel::Load(const std::string& changeLogPath) {
    beginResetModel();
    rows_.clear();
    ChangeLogReader log(changeLogPath);
    ChangeRecord record;
    while (log.Next(record)) {
        rows_.push_back(Row{std::move(record), rows_.size()});
        record = ChangeRecord{};
    }
    roots_ = log.roots();
    endResetModel();
    return log.opened() && !log.failed();
}

std::vector<ChangeRecord> ChangedFileModel::KeepOnly(const std::set<std::string>& logged) {
    std::vector<ChangeRecord> left;
    const auto stays = [&logged](const Row& row) { return logged.count(row.record.path) != 0; };
    if (std::all_of(rows_.begin(), rows_.end(), stays)) {
        return left;
    }
    // Removing many rows one by one would cost the square of their number;
    // the table is made anew instead.
    beginResetModel();
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (Row& row : rows_) {
        if (stays(row)) {
            kept.push_back(std::move(row));
        } else {
            left.push_back(std::move(row.record));
        }
    }
    rows_ = std::move(kept);
    endResetModel();
    return left;
}

int ChangedFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ChangedFileModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChangedFileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const ChangeRecord& record = RecordAt(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (index.column() == kPathColumn) {
            return QString::fromUtf8(record.path.data(),
                                     static_cast<qsizetype>(record.path.size()));
        }
        return QString::number(CounterOf(record, index.column()));
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == kPathColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant ChangedFileModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case kPathColumn:
        return TableText(kColumnFile);
    case kReplacementsColumn:
        return TableText(kColumnReplacements);
    case kLinesChangedColumn:
        return TableText(kLabelLinesChanged);
    case kEmptyLinesColumn:
        return TableText(kLabelEmptyLinesRemoved);
    default:
        return {};
    }
}

void ChangedFileModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::size_t> places(rows_.size());
    std::iota(places.begin(), places.end(), std::size_t{0});
    auto less = [&](std::size_t a, std::size_t b) {
        const ChangeRecord& x = rows_[a].record;
        const ChangeRecord& y = rows_[b].record;
        if (column == kPathColumn) {
            if (x.path != y.path) {
                return order == Qt::AscendingOrder ? x.path < y.path : y.path < x.path;
            }
        } else {
            const std::int64_t cx = CounterOf(x, column);
            const std::int64_t cy = CounterOf(y, column);
            if (cx != cy) {
                return order == Qt::AscendingOrder ? cx < cy : cy < cx;
            }
        }
        return rows_[a].logOrder < rows_[b].logOrder;
    };
    std::sort(places.begin(), places.end(), less);
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        newRowOf[places[i]] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[places[i]]));
    }
    rows_ = std::move(sorted);
    // The selection and the current file follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after.push_back(
            this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
