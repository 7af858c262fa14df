// The reboot purge end to end on a prefix that Wine's own wininet filled:
// the dialog writes the batch and its RunOnce entry, the machine's Wine
// session starts again, Wine runs the batch with its own command
// interpreter, and wininet makes new containers that work.

#include "core/keywords.h"
#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/system/exit_windows.h"
#include "service/service_link.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_prefix.h"
#include "tools/windows/klen_inx_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;

namespace {

// The listed entries whose source URL begins with `start`.
int countEntries(const std::vector<std::vector<std::string>>& rows, const std::string& start)
{
    int n = 0;
    for (const auto& row : rows)
        if (row.size() > 3 && row[0] == "entry" && row[3].starts_with(start))
            ++n;
    return n;
}

} // namespace

using RebootPurgeWine = test::UrlCacheProbeTest;

TEST_F(RebootPurgeWine, WineRunsTheBatchAtTheNextStartAndRecreatesTheFolders)
{
    ASSERT_EQ(probe({"fill", "5"}).back(), (std::vector<std::string> {"filled", "0"}));
    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    FolderSet folders;
    folders.dataFolder = "C:\\KLENZOR";
    ASSERT_EQ(win::FileSystem(*machine).createDirectory(folders.dataFolder), win::err::SUCCESS);
    FindFolders(*machine, Keywords(), BrowserLevel {true, true}, GeneralSettings(), folders);
    ASSERT_TRUE(folders.cacheFound && folders.historyFound) << folders.cacheFolder << " " << folders.historyFolder;
    std::string cache, history;
    ASSERT_EQ(win::FileSystem(*machine).hostPath(folders.cacheFolder, cache), win::err::SUCCESS);
    ASSERT_EQ(win::FileSystem(*machine).hostPath(folders.historyFolder, history), win::err::SUCCESS);
    test::writeFile(cache + "/left.txt", "x");
    test::writeFile(history + "/kept.txt", "x");
    ASSERT_TRUE(std::filesystem::exists(history + "/index.dat"));

    test::RecordingMessages messages;
    ServiceLink service(*machine);
    TKlenInxDlg dialog(*machine, folders, service, messages);
    dialog.show();
    dialog.findChild<QCheckBox*>("CheckboxPinxCache")->setChecked(true);
    dialog.findChild<QCheckBox*>("CheckboxPinxHistoryID")->setChecked(true);
    dialog.findChild<QPushButton*>("OKBtn")->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.shown.empty());

    // The reboot: the session starts again and runs RunOnce.
    ASSERT_EQ(win::exitWindows(*machine, win::ewx::REBOOT, 0), win::err::SUCCESS);
    ASSERT_TRUE(test::stopWineSession(prefix));
    EXPECT_FALSE(std::filesystem::exists(cache + "/left.txt")) << "the cache folder went whole";
    EXPECT_TRUE(std::filesystem::exists(history + "/kept.txt")) << "only the history's index went";
    std::string out;
    test::runWine(prefix, {"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"}, out);
    EXPECT_EQ(out.find("Klenzor"), std::string::npos) << "the entry ran once: " << out;

    const auto listed = probe({"list"});
    EXPECT_EQ(countEntries(listed, "http://probe.example/page"), 0);
    EXPECT_EQ(countEntries(listed, "Visited:"), 0);
    EXPECT_EQ(countEntries(listed, "Cookie:"), 2) << "the cookies were not chosen";
    ASSERT_EQ(probe({"fill", "2"}).back(), (std::vector<std::string> {"filled", "0"}));
    const auto refilled = probe({"list"});
    EXPECT_EQ(countEntries(refilled, "http://probe.example/page"), 2);
    EXPECT_EQ(countEntries(refilled, "Visited:"), 2);
    EXPECT_TRUE(std::filesystem::exists(history + "/index.dat")) << "wininet made a new history index";
}
