#include "app/app_state.h"
#include "app/report_navigation.h"
#include "app/windows/main_form.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"

#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace kp;

namespace {
const std::vector<QString> kReport = {
    "Temp Folders:",
    "        Locked - C:\\TEMP\\a.tmp",
    "  Purge \"Temp Folders\" Function Completed. 3 Files/Directories Processed.",
    " - - - - - - - - - - - - - - - - -",
    " -Error- Recent LNKs:  not processed as folder could not be located",
    "  Purge Functions Completed.",
    "NOTE - The TroubleShooting section of the Klenzor Pro Help file ",
};
}

TEST(ReportNavigation, TabFindsErrorLinesAndWrapsAround)
{
    EXPECT_TRUE(isErrorLine(" -Error-87       C:\\x"));
    EXPECT_TRUE(isErrorLine("-Error- x"));
    EXPECT_TRUE(isErrorLine("File not Found - C:\\x"));
    EXPECT_FALSE(isErrorLine("       deleted - C:\\x"));
    EXPECT_FALSE(isErrorLine("     Protected - C  x"));

    EXPECT_EQ(nextErrorLine(kReport, -1), 1);
    EXPECT_EQ(nextErrorLine(kReport, 1), 4);
    EXPECT_EQ(nextErrorLine(kReport, 4), 1); // from the last error line back to the first
    EXPECT_EQ(nextErrorLine(kReport, 6), 1);
    EXPECT_EQ(nextErrorLine({"a", "b"}, -1), -1);
    EXPECT_EQ(nextErrorLine({}, -1), -1);
}

TEST(ReportNavigation, PageDownStopsBeforeTheNextSeparator)
{
    EXPECT_EQ(pageDownTarget(kReport, 0), 2);
    EXPECT_EQ(pageDownTarget(kReport, 3), 6); // no separator further down: the last line
    EXPECT_EQ(pageDownTarget({" - - - - -"}, -1), 0);
}

TEST(ReportNavigation, TheTabKeyOfTheWindowSelectsTheNextErrorLine)
{
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    TMainForm form(state, {});
    form.show();
    for (const QString& line : kReport)
        form.report().AddReportLine(line);
    auto* list = form.findChild<QTableView*>(QStringLiteral("ListView0"));
    ASSERT_NE(list, nullptr);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->currentIndex().row(), 1);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->currentIndex().row(), 4);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->currentIndex().row(), 1);
    form.report().ClearReport();
    for (const QString& line : kReport)
        form.report().AddReportLine(line);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->currentIndex().row(), 1);
}

TEST(ReportNavigation, PageDownInTheWindowShowsTheNextSummaryLine)
{
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    TMainForm form(state, {});
    form.show();
    auto* list = form.findChild<QTableView*>(QStringLiteral("ListView0"));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 300; ++i)
        form.report().AddReportLine(i % 7 == 6 ? QStringLiteral(" - - - - - -") : QStringLiteral("line %1").arg(i));
    const int lastVisible = list->rowAt(list->viewport()->height() - 1);
    ASSERT_GT(lastVisible, 0);
    QTest::keyClick(list, Qt::Key_PageDown);
    const int expected = (lastVisible + 1) / 7 * 7 + 5; // the line before the next separator
    EXPECT_EQ(list->currentIndex().row(), expected);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));

    form.report().ClearReport();
    form.report().AddReportLine(QStringLiteral("one line"));
    QTest::keyClick(list, Qt::Key_PageDown);
    EXPECT_FALSE(list->currentIndex().isValid()) << "a report that fits stays as it is";
}
