#include "purge/purge_report.h"

#include "core/error_level.h"
#include "core/message_service.h"

#include <QCoreApplication>

namespace kp {

PurgeReport::PurgeReport(ErrorState& errors, MessageService& messages, QObject* parent)
    : QAbstractListModel(parent)
    , errors_(errors)
    , messages_(messages)
{
}

void PurgeReport::ClearReport()
{
    beginResetModel();
    lines_.clear();
    lines_.shrink_to_fit();
    announced_ = 0;
    longest_ = 0;
    endResetModel();
    listingStopped_ = false;
    setStyle(Style{});
    emit cleared();
    QCoreApplication::processEvents();
}

void PurgeReport::BeginRunReport(bool preview)
{
    ClearReport();
    if (preview) {
        AddReportLine(QStringLiteral("This List is from a \"Preview Purge\".  No Deletes are done for a \"Preview Purge\"."));
        AddReportLine(QStringLiteral("The following list is for illustration purposes only."));
    }
}

bool PurgeReport::append(const QString& line)
{
    if (lineCount() >= capacity_)
        return false;
    lines_.push_back(line);
    longest_ = std::max(longest_, int(line.size()));
    if (suspended_ == 0) {
        beginInsertRows({}, announced_, lineCount() - 1);
        announced_ = lineCount();
        endInsertRows();
    }
    return true;
}

void PurgeReport::AddReportLine(const QString& line)
{
    if (listingStopped_)
        return;
    if (append(line))
        return;
    messages_.show("Klenzor  -  Message",
                   "The number of Entries to process exceeds \r\nthe Windows ListView Capacity.\r\n"
                   "Execution will continue without listing.",
                   MsgKind::Warning, OK);
    listingStopped_ = true;
    errors_.ErrorFlag = true;
    errors_.RaiseErrorLevel(9);
}

void PurgeReport::AddReportLineQuiet(const QString& line)
{
    append(line);
}

void PurgeReport::setStyle(const Style& style)
{
    if (style == style_)
        return;
    style_ = style;
    emit styleChanged();
}

void PurgeReport::suspendUpdates()
{
    ++suspended_;
}

void PurgeReport::resumeUpdates()
{
    if (suspended_ == 0 || --suspended_ > 0)
        return;
    showPendingLines();
}

void PurgeReport::showPendingLines()
{
    if (announced_ < lineCount()) {
        beginInsertRows({}, announced_, lineCount() - 1);
        announced_ = lineCount();
        endInsertRows();
    }
}

int PurgeReport::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : announced_;
}

QVariant PurgeReport::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= announced_)
        return {};
    if (role == Qt::DisplayRole)
        return lines_[std::size_t(index.row())];
    if (role == Qt::ForegroundRole)
        return style_.colour;
    return {};
}

} // namespace kp
