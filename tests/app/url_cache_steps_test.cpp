// The Cache, Cookies and Visited URLs steps in the main window over a built
// machine: their boxes are live, a walk error in one run stops the later
// URL-cache steps of that run only.

#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "purge/purge_report.h"
#include "purge/url_cache_purge.h"
#include "tests/support/built_machine.h"
#include "tests/support/cache_entries.h"
#include "tests/support/listed_windows.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_dir.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;

namespace {
int count(const std::vector<QString>& lines, const QString& text)
{
    return int(std::count(lines.begin(), lines.end(), text));
}
} // namespace

TEST(UrlCacheSteps, AWalkErrorStopsTheLaterStepsOfItsRunOnly)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, &built.machine());
    test::ListedWindows windows;
    UrlCacheServices services(built.machine(), windows, messages, state.errors, state.run, state.general);
    FolderSet& folders = state.folders;
    folders.cacheFolder = win::upperAscii(services.cache.containerFolder(""));
    folders.cookiesFolder = win::upperAscii(services.cache.folders().cookies);
    folders.historyFolder = win::upperAscii(services.cache.containerFolder("Visited:"));
    folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
    folders.dataFolder = "C:\\KLENZOR";
    std::filesystem::create_directories(built.hostPath(folders.dataFolder));
    test::writeFile(built.hostPath(folders.dataFolder + "\\KlenPro.Dat"), "Cookie:owner@nothing.example/\r\n");

    TMainForm form(state, availablePurgeSteps(&services));
    form.setClosingPause(0);
    for (const char* name : {"CheckBoxNormalCache", "CheckBoxSubscriptionCache", "CheckBoxCookies", "CheckBoxVisited"})
        EXPECT_TRUE(form.findChild<QCheckBox*>(name)->isEnabled()) << name;
    form.findChild<QCheckBox*>("CheckBoxCookies")->setChecked(true);
    form.findChild<QCheckBox*>("CheckBoxVisited")->setChecked(true);

    std::string cookieIndex;
    ASSERT_EQ(built.machine().paths().toHost(folders.cookiesFolder + "\\index.dat", cookieIndex), win::err::SUCCESS);
    const std::string intact = test::readFile(cookieIndex);
    std::string damaged = intact;
    damaged.replace(0x4000, 4, "XXXX");
    test::writeFile(cookieIndex, damaged);
    const std::size_t visited = test::listCacheEntries(services.cache, "Visited:").size();

    form.PurgeAllSBtnClick();
    EXPECT_EQ(count(form.report().lines(), QStringLiteral("*** Error Accessing Cache ***")), 2);
    EXPECT_EQ(test::listCacheEntries(services.cache, "Visited:").size(), visited);
    EXPECT_EQ(state.errors.ErrorLevel, 9);
    EXPECT_EQ(messages.shown.size(), 1u);

    test::writeFile(cookieIndex, intact);
    form.PurgeAllSBtnClick();
    const std::vector<QString> lines = form.report().lines();
    EXPECT_EQ(count(lines, QStringLiteral("*** Error Accessing Cache ***")), 0);
    EXPECT_EQ(state.errors.ErrorLevel, 0);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("  Purge \"Visited URLs\" Function Completed.  "));
    }));
}
