#include "core/error_level.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "tests/support/recording_messages.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace kp;

namespace {
struct ReportFixture {
    test::RecordingMessages messages;
    ErrorState errors;
    PurgeReport report{errors, messages};
};
} // namespace

TEST(PurgeReport, CapacityStopsTheListingOnceWithAWarning)
{
    ReportFixture f;
    f.report.setCapacity(3);
    for (int i = 0; i < 5; ++i)
        f.report.AddReportLine(QString::number(i));
    EXPECT_EQ(f.report.lineCount(), 3);
    EXPECT_TRUE(f.report.ListingStopped());
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].caption, "Klenzor  -  Message");
    EXPECT_EQ(f.messages.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(f.messages.shown[0].text, "The number of Entries to process exceeds \r\nthe Windows ListView Capacity.\r\n"
                                        "Execution will continue without listing.");
    EXPECT_EQ(f.errors.ErrorLevel, 9);
    EXPECT_TRUE(f.errors.ErrorFlag);

    f.report.ClearReport();
    EXPECT_FALSE(f.report.ListingStopped());
    f.report.AddReportLine("again");
    EXPECT_EQ(f.report.lineCount(), 1);
}

TEST(PurgeReport, QuietLinesIgnoreTheStoppedListingButNotTheCapacity)
{
    ReportFixture f;
    f.report.setCapacity(1);
    f.report.AddReportLine("a");
    f.report.AddReportLine("b"); // refused: the listing stops
    ASSERT_TRUE(f.report.ListingStopped());
    f.report.setCapacity(3);
    f.report.AddReportLine("dropped");
    f.report.AddReportLineQuiet("quiet");
    f.report.setCapacity(2);
    f.report.AddReportLineQuiet("lost");
    EXPECT_EQ(f.report.lines(), (std::vector<QString>{"a", "quiet"}));
    EXPECT_EQ(f.messages.shown.size(), 1u);
}

TEST(PurgeReport, PreviewHeaderAndTheViewSeesSuspendedLinesOnlyOnResume)
{
    ReportFixture f;
    f.report.AddReportLine("old");
    f.report.BeginRunReport(false);
    EXPECT_EQ(f.report.lineCount(), 0);
    f.report.BeginRunReport(true);
    EXPECT_EQ(f.report.rowCount(), 2);

    QSignalSpy inserted(&f.report, &QAbstractItemModel::rowsInserted);
    f.report.suspendUpdates();
    for (int i = 0; i < 1000; ++i)
        f.report.AddReportLine(QString::number(i));
    EXPECT_EQ(f.report.rowCount(), 2);
    EXPECT_EQ(f.report.lineCount(), 1002);
    EXPECT_EQ(inserted.count(), 0);
    f.report.resumeUpdates();
    EXPECT_EQ(f.report.rowCount(), 1002);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);
    EXPECT_EQ(inserted[0][2].toInt(), 1001);
    EXPECT_EQ(f.report.data(f.report.index(1001), Qt::DisplayRole).toString(), "999");
}

TEST(PurgeReport, ClearingRestoresTheNormalStyle)
{
    ReportFixture f;
    f.report.setStyle({10, true, QColor(0, 0x80, 0x80)});
    QSignalSpy cleared(&f.report, &PurgeReport::cleared);
    f.report.ClearReport();
    EXPECT_EQ(f.report.style(), PurgeReport::Style{});
    EXPECT_EQ(cleared.count(), 1);
}

TEST(ReportText, ErrorCodesGiveResultWordsAndLevels)
{
    ErrorState folder;
    EXPECT_EQ(FolderErrorText(0, folder), "       deleted - ");
    EXPECT_EQ(FolderErrorText(5, folder), "        Locked - ");
    EXPECT_EQ(FolderErrorText(145, folder), " Dir Not Empty - ");
    EXPECT_EQ(folder.ErrorLevel, 0);
    EXPECT_EQ(FolderErrorText(2, folder), "File not Found - ");
    EXPECT_EQ(folder.ErrorLevel, 3);

    ErrorState item;
    EXPECT_EQ(ItemErrorText(1224, item), "        Locked - ");
    EXPECT_EQ(item.ErrorLevel, 1);
    EXPECT_EQ(ItemErrorText(3, item), "Path not Found - ");
    EXPECT_EQ(item.ErrorLevel, 7);
    EXPECT_EQ(ItemErrorText(87, item), " -Error-87       ");
    EXPECT_EQ(item.ErrorLevel, 7);

    ErrorState other;
    EXPECT_EQ(FolderErrorText(87, other), " -Error-87       ");
    EXPECT_EQ(other.ErrorLevel, 3);
    EXPECT_EQ(NumericErrorText(123), " -Error-123          ");
    for (win::DWORD code : {0u, 2u, 3u, 5u, 32u, 33u, 145u, 1224u, 87u, 1920u, 4294967295u})
        EXPECT_EQ(ItemErrorText(code, other).size(), 17u) << code;
}

TEST(ReportText, AgeText)
{
    EXPECT_EQ(AgeText(0, 0, 0), " 00-00:00");
    EXPECT_EQ(AgeText(2, 5, 7), " 02-05:07");
    EXPECT_EQ(AgeText(123, 0, 0), "123-00:00");
}
