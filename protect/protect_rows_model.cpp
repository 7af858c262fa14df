#include "protect/protect_rows_model.h"

#include <algorithm>
#include <utility>

namespace kp {

namespace {

QString shown(std::string_view text)
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
    return parent.isValid() ? 0 : int(order_.size());
}

int ProtectRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProtectRowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const ProtectRow& r = row(index.row());
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
    order_.clear();
    captionRanks_.clear();
    endResetModel();
}

void ProtectRowsModel::reserve(std::size_t rows)
{
    rows_.reserve(std::min(rows, std::size_t(capacity_)));
}

bool ProtectRowsModel::append(ProtectRow row)
{
    if (int(rows_.size()) >= capacity_)
        return false;
    rows_.push_back(std::move(row));
    captionRanks_.clear();
    return true;
}

void ProtectRowsModel::flush()
{
    const int shown = int(order_.size());
    if (shown == int(rows_.size()))
        return;
    beginInsertRows({}, shown, int(rows_.size()) - 1);
    for (int index = shown; index < int(rows_.size()); ++index)
        order_.push_back(index);
    endInsertRows();
}

std::unordered_set<std::string_view> ProtectRowsModel::captionsAmong(const std::vector<std::string>& candidates) const
{
    std::unordered_set<std::string_view> found;
    if (candidates.empty())
        return found;
    const std::unordered_set<std::string_view> wanted(candidates.begin(), candidates.end());
    for (const ProtectRow& row : rows_)
        if (auto place = wanted.find(row.caption); place != wanted.end())
            found.insert(*place);
    return found;
}

void ProtectRowsModel::update(int index, const ProtectRow& row)
{
    ProtectRow& kept = rows_[size_t(order_[size_t(index)])];
    const std::string caption = kept.caption;
    kept = row;
    kept.caption = caption;
    emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

void ProtectRowsModel::remove(int index)
{
    beginRemoveRows({}, index, index);
    const int removed = order_[size_t(index)];
    rows_.erase(rows_.begin() + removed);
    if (!captionRanks_.empty())
        captionRanks_.erase(captionRanks_.begin() + removed);
    order_.erase(order_.begin() + index);
    for (int& place : order_)
        place -= place > removed;
    endRemoveRows();
}

void ProtectRowsModel::sortRows(SortColumn column, bool xcode)
{
    flush();
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    if (captionRanks_.size() != rows_.size())
        captionRanks_ = CaptionRanks(rows_);
    const std::vector<int> previous = order_;
    order_ = SortedRowOrder(rows_, column, xcode, captionRanks_, order_);
    std::vector<int> placeOf(rows_.size());
    for (size_t place = 0; place < order_.size(); ++place)
        placeOf[size_t(order_[place])] = int(place);
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after << this->index(placeOf[size_t(previous[size_t(index.row())])], index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

} // namespace kp
