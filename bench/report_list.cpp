// Fills the report with a million lines during a run (list updates
// suspended), resumes, sizes the column and scrolls a list view to the end,
// and prints how long each part took.

#include "core/error_level.h"
#include "core/message_service.h"
#include "purge/purge_report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    kp::ConsoleMessageService messages;
    kp::ErrorState errors;
    kp::PurgeReport report(errors, messages);
    QTableView view;
    view.setModel(&report);
    view.horizontalHeader()->hide();
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(16);
    view.resize(600, 400);
    view.show();

    const int lines = 1'000'000;
    QElapsedTimer timer;
    timer.start();
    report.suspendUpdates();
    for (int i = 0; i < lines; ++i)
        report.AddReportLine(QStringLiteral("       deleted - C  %1-03:12  Cookie:user@site%2.example.com/").arg(i % 1000, 3, 10, QLatin1Char('0')).arg(i));
    const qint64 fill = timer.restart();
    report.resumeUpdates();
    view.setColumnWidth(0, report.longestLine() * 8 + 16);
    QCoreApplication::processEvents();
    const qint64 resume = timer.restart();
    view.scrollToBottom();
    view.repaint();
    QCoreApplication::processEvents();
    const qint64 scroll = timer.restart();
    report.ClearReport();
    const qint64 clear = timer.elapsed();
    std::printf("report of %d lines: fill %lld ms, resume and show %lld ms, scroll to end %lld ms, clear %lld ms\n",
                lines, static_cast<long long>(fill), static_cast<long long>(resume), static_cast<long long>(scroll),
                static_cast<long long>(clear));
    return 0;
}
