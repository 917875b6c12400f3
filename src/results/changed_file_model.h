// The summary's table of changed files: one row for each file of the change
// log with its counters, in the log's order until a column is sorted.
#pragma once

#include "change_log.h"

#include <QAbstractTableModel>
#include <set>
#include <string>
#include <vector>

class ChangedFileModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        kPathColumn,
        kReplacementsColumn,
        kLinesChangedColumn,
        kEmptyLinesColumn,
        kColumnCount
    };

    explicit ChangedFileModel(QObject* parent = nullptr);

    // Reads the change log. False when it cannot be read: the rows are what
    // could be read before (none when it cannot be opened).
    bool Load(const std::string& changeLogPath);
    // The run's directories as the log names them.
    const std::vector<std::string>& Roots() const { return roots_; }

    const ChangeRecord& RecordAt(int row) const {
        return rows_[static_cast<std::size_t>(row)].record;
    }
    // Keeps the rows whose paths are in `logged` (in their present order)
    // and gives the records of the others.
    std::vector<ChangeRecord> KeepOnly(const std::set<std::string>& logged);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sorts by a column; rows that are equal there keep the log's order.
    void sort(int column, Qt::SortOrder order) override;

private:
    struct Row {
        ChangeRecord record;
        std::size_t logOrder = 0;
    };
    std::vector<Row> rows_;
    std::vector<std::string> roots_;
};
