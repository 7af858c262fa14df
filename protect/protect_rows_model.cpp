#include "protect/protect_rows_model.h"

#include <algorithm>
#include <iterator>

namespace kp {

namespace {

QString shown(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

ProtectRowsModel::ProtectRowsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int ProtectRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int ProtectRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProtectRowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const ProtectRow& r = rows_[size_t(index.row())];
    switch (index.column()) {
    case AddressColumn:
        return shown(r.caption);
    case StatusColumn:
        return shown(r.status);
    case AccessedColumn:
        return shown(r.accessed);
    case HitsColumn:
        return shown(r.hits);
    case LocalFileColumn:
        return shown(r.localFile);
    case TypeColumn:
        return shown(r.type);
    }
    return {};
}

QVariant ProtectRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const captions[] = {"Internet Address", "Status", "Accessed", "Hits", "Local File", "Type"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(captions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ProtectRowsModel::clear()
{
    beginResetModel();
    rows_.clear();
    pending_.clear();
    captions_.clear();
    endResetModel();
}

bool ProtectRowsModel::append(ProtectRow row)
{
    if (int(rows_.size() + pending_.size()) >= capacity_)
        return false;
    captions_.insert(row.caption);
    pending_.push_back(std::move(row));
    return true;
}

void ProtectRowsModel::flush()
{
    if (pending_.empty())
        return;
    const int at = int(rows_.size());
    beginInsertRows({}, at, at + int(pending_.size()) - 1);
    std::move(pending_.begin(), pending_.end(), std::back_inserter(rows_));
    pending_.clear();
    endInsertRows();
}

void ProtectRowsModel::update(int index, const ProtectRow& row)
{
    ProtectRow& kept = rows_[size_t(index)];
    const std::string caption = kept.caption;
    kept = row;
    kept.caption = caption;
    emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

void ProtectRowsModel::remove(int index)
{
    beginRemoveRows({}, index, index);
    const std::string caption = rows_[size_t(index)].caption;
    rows_.erase(rows_.begin() + index);
    if (std::none_of(rows_.begin(), rows_.end(), [&](const ProtectRow& r) { return r.caption == caption; }))
        captions_.erase(caption);
    endRemoveRows();
}

void ProtectRowsModel::sortRows(SortColumn column, bool xcode)
{
    flush();
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    const std::vector<int> sorted = SortedRowOrder(rows_, column, xcode);
    std::vector<ProtectRow> rows;
    rows.reserve(rows_.size());
    std::vector<int> newPlace(rows_.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        rows.push_back(std::move(rows_[size_t(sorted[i])]));
        newPlace[size_t(sorted[i])] = int(i);
    }
    rows_ = std::move(rows);
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after << this->index(newPlace[size_t(index.row())], index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

} // namespace kp
