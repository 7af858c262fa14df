// Folder discovery on a prefix made by real Wine, whose folders lie where
// Wine puts them (C:\users\<name>\AppData\...), after Wine's own wininet has
// made its cache containers.

#include "core/ie_version.h"
#include "core/keywords.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "settings/data_folder.h"
#include "settings/folder_discovery.h"
#include "settings/folder_display.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>


using namespace kp;

using FolderDiscoveryWine = test::UrlCacheProbeTest;

TEST_F(FolderDiscoveryWine, FindsWinesFoldersAndSettingsFolder)
{
    probe({"fill", "2"});
    const win::UrlCacheFolders shell = shellFolders();
    ASSERT_FALSE(shell.cache.empty() || shell.cookies.empty() || shell.history.empty());

    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    const IeVersion ie = detectIeVersion(Keywords(), machine.get());
    EXPECT_TRUE(ie.ie6) << browserLibraryVersion(*machine);

    FolderSet folders;
    folders.execFolder = "C:\\PROGRAM FILES\\KLENZOR PRO";
    ASSERT_EQ(ResolveDataFolder(*machine, Keywords(), folders.execFolder, folders), "");
    EXPECT_EQ(win::upperAscii(folders.dataFolder).substr(0, 9), "C:\\USERS\\");
    EXPECT_NE(win::upperAscii(folders.dataFolder).find("\\APPDATA\\ROAMING\\KLENZOR"), std::string::npos)
        << folders.dataFolder;

    GeneralSettings general;
    EXPECT_TRUE(FindFolders(*machine, Keywords(), {ie.ie5, ie.ie6}, general, folders));
    EXPECT_EQ(folders.cacheFolder, win::upperAscii(shell.cache) + "\\CONTENT.IE5");
    EXPECT_EQ(folders.cookiesFolder, win::upperAscii(shell.cookies));
    EXPECT_EQ(folders.historyFolder, win::upperAscii(shell.history) + "\\HISTORY.IE5");
    EXPECT_NE(folders.recentFolder.find("\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\RECENT"), std::string::npos)
        << folders.recentFolder;
    EXPECT_EQ(folders.temp[FolderSet::WindowsTemp].path, "C:\\WINDOWS\\TEMP");
    EXPECT_EQ(folders.temp[FolderSet::WindowsTemp].error, 0);
    ASSERT_FALSE(folders.displayTemp.empty());
    for (const TempEntry& entry : folders.displayTemp)
        EXPECT_TRUE(entry.path.ends_with("\\TEMP")) << entry.path;
    ASSERT_FALSE(folders.purgeTemp.empty());
    EXPECT_FALSE(folders.userDataFound) << "Wine keeps no UserData store";

    const std::vector<std::string> lines = FolderDisplayLines(folders, false);
    EXPECT_EQ(lines[2], "       Cache Folder:  " + folders.cacheFolder);
    EXPECT_EQ(lines.size(), 2 * (9 + folders.displayTemp.size()));
}
