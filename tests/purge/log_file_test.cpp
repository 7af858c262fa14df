#include "core/error_level.h"
#include "purge/log_file.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kp;

namespace {

struct LogFixture : ::testing::Test {
    test::TempMachine temp;
    test::RecordingMessages messages;
    ErrorState errors;
    PurgeReport report{errors, messages};

    void SetUp() override { temp.makeDir("data"); }

    LogFile makeLog(bool enabled)
    {
        LogFile log(&temp.machine(), enabled);
        log.setDataFolder("C:\\data", true);
        return log;
    }
    void fill(std::initializer_list<const char*> lines)
    {
        report.ClearReport();
        for (const char* line : lines)
            report.AddReportLine(QString::fromLatin1(line));
    }
};

const QDateTime kFirst(QDate(2026, 3, 4), QTime(5, 6, 7));
const QDateTime kSecond(QDate(2026, 12, 24), QTime(23, 59, 0));

} // namespace

TEST_F(LogFixture, WithoutTheKeywordNothingIsWritten)
{
    LogFile log = makeLog(false);
    fill({"a"});
    log.WriteLogFile(report, kFirst);
    EXPECT_FALSE(temp.exists("data/KLENZOR.LOG"));
}

TEST_F(LogFixture, NoWritableDataFolderMeansNoLog)
{
    LogFile log(&temp.machine(), true);
    log.setDataFolder("C:\\data", false);
    fill({"a"});
    log.WriteLogFile(report, kFirst);
    log.setDataFolder("", true);
    log.WriteLogFile(report, kFirst);
    EXPECT_FALSE(temp.exists("data/KLENZOR.LOG"));
}

TEST_F(LogFixture, AppendingNeverFollowsALinkPlacedAsTheLog)
{
    LogFile log = makeLog(true);
    fill({"a"});
    log.WriteLogFile(report, kFirst);
    temp.writeFile("victim.txt", "keep");
    ASSERT_EQ(::unlink(temp.hostPath("data/KLENZOR.LOG").c_str()), 0);
    ASSERT_EQ(::symlink(temp.hostPath("victim.txt").c_str(), temp.hostPath("data/KLENZOR.LOG").c_str()), 0);
    temp.reopen();
    LogFile again(&temp.machine(), true);
    again.setDataFolder("C:\\data", true);
    again.WriteLogFile(report, kFirst); // replaces the link
    again.WriteLogFile(report, kSecond); // appends to the new file
    EXPECT_EQ(temp.readFile("victim.txt"), "keep");
    std::string text = temp.readFile("data/KLENZOR.LOG");
    EXPECT_EQ(text, "Klenzor.log - 03/04/2026 05:06:07\r\na\r\nKlenzor.log - 12/24/2026 23:59:00\r\na\r\n");
}
