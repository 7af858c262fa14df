#pragma once
// The report: the ordered lines every purge function writes, shown one per
// row in the main window's list. The list holds at most `capacity()` rows;
// a refused row stops the listing until the report is cleared.
//
// While updates are suspended (during a run) lines are stored but announced
// to views only when updates resume or showPendingLines is called, so a long
// run announces its lines in batches rather than one by one.

#include <QAbstractListModel>
#include <QColor>
#include <QString>

#include <vector>

namespace kp {

struct ErrorState;
class MessageService;

class PurgeReport : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int DefaultCapacity = 2'000'000;

    struct Style {
        int pointSize = 8;
        bool bold = false;
        QColor colour = Qt::black;
        bool operator==(const Style&) const = default;
    };

    PurgeReport(ErrorState& errors, MessageService& messages, QObject* parent = nullptr);

    void setCapacity(int rows) { capacity_ = rows; }
    int capacity() const { return capacity_; }

    // Empties the report, restores the normal style and lets pending window
    // messages run.
    void ClearReport();
    // ClearReport, then for a preview the two header lines.
    void BeginRunReport(bool preview);
    // Appends unless the listing has stopped; the first refused row shows the
    // capacity message, stops the listing and raises the error level to 9.
    void AddReportLine(const QString& line);
    // Appends regardless of a stopped listing; a refused row is lost silently.
    void AddReportLineQuiet(const QString& line);
    bool ListingStopped() const { return listingStopped_; }

    void setStyle(const Style& style);
    const Style& style() const { return style_; }

    void suspendUpdates();
    void resumeUpdates();
    // Announces the lines stored so far; updates stay suspended.
    void showPendingLines();

    int lineCount() const { return int(lines_.size()); }
    const QString& line(int row) const { return lines_[std::size_t(row)]; }
    const std::vector<QString>& lines() const { return lines_; }
    int longestLine() const { return longest_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void cleared();
    void styleChanged();

private:
    bool append(const QString& line);

    ErrorState& errors_;
    MessageService& messages_;
    std::vector<QString> lines_;
    int announced_ = 0; // rows views know of
    int suspended_ = 0;
    int capacity_ = DefaultCapacity;
    int longest_ = 0;
    bool listingStopped_ = false;
    Style style_;
};

} // namespace kp
