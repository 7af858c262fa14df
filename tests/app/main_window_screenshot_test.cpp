#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"

#include <QDir>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace kp;

// Renders the main window after a run to main_window.png in the test's
// working folder (or $KP_SCREENSHOT_DIR), for a look at its layout.
TEST(MainWindowScreenshot, RendersAfterARun)
{
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    StepTable steps;
    steps[PurgeStep::Cookies] = [](PurgeContext& c) {
        c.report.AddReportLine(QStringLiteral("Unprotected Cookies:"));
        c.report.AddReportLine(QStringLiteral("       Result  Type dd-hh:mm (age)   Cache Entry"));
        for (int i = 0; i < 40; ++i)
            c.report.AddReportLine(QStringLiteral("       deleted - C  %1-03:12  Cookie:user@site%2.example.com/")
                                       .arg(i + 1, 3, 10, QLatin1Char('0'))
                                       .arg(i));
        c.report.AddReportLine(QStringLiteral("  Purge \"Cookies\" Function Completed.  40 Entries Processed."));
        c.run.ProcessedCount = 40;
    };
    steps[PurgeStep::Temp] = [](PurgeContext&) {};
    TMainForm form(state, std::move(steps));
    form.setClosingPause(0);
    form.resize(760, 540);
    form.show();
    form.AllOnBtnClick();
    form.PurgeAllSBtnClick();

    const QPixmap shot = form.grab();
    ASSERT_FALSE(shot.isNull());
    const QString dir = qEnvironmentVariableIsEmpty("KP_SCREENSHOT_DIR") ? QDir::currentPath()
                                                                         : qEnvironmentVariable("KP_SCREENSHOT_DIR");
    EXPECT_TRUE(shot.save(dir + QStringLiteral("/main_window.png")));
}
