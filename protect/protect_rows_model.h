#pragma once
// The Protect window's entry list as a table model: the rows, a capacity
// beyond which rows are refused, and sorting by the Sort Column choice.

#include "protect/protect_rows.h"

#include <QAbstractTableModel>

#include <limits>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kp {

class ProtectRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { AddressColumn, StatusColumn, AccessedColumn, HitsColumn, LocalFileColumn, TypeColumn, ColumnCount };

    explicit ProtectRowsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The most rows the list takes; a row beyond it is refused.
    void setCapacity(int rows) { capacity_ = rows; }
    int capacity() const { return capacity_; }

    void clear();
    // Makes room for about `rows` rows (at most the capacity), so that a
    // long listing does not move its rows as it grows.
    void reserve(std::size_t rows);
    // Queues a row; false when the list is full. Queued rows are shown
    // together by flush().
    bool append(ProtectRow row);
    void flush();
    // The captions among `candidates` that some row, shown or queued, has.
    std::unordered_set<std::string_view> captionsAmong(const std::vector<std::string>& candidates) const;

    const ProtectRow& row(int index) const { return rows_[size_t(order_[size_t(index)])]; }
    // Replaces a row's columns, keeping its caption.
    void update(int index, const ProtectRow& row);
    void remove(int index);

    void sortRows(SortColumn column, bool xcode);

private:
    // Rows stay where they were added; sorting reorders the list's indexes.
    std::vector<ProtectRow> rows_;  // shown and queued, in the order added
    std::vector<int> order_;        // the shown rows' indexes in rows_, in list order
    std::vector<int> captionRanks_; // by index in rows_; empty until a sort and after rows are added
    int capacity_ = std::numeric_limits<int>::max();
};

} // namespace kp
