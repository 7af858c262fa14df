#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/files/win_path.h"
#include "platform/system/environment.h"
#include "settings/folder_discovery.h"
#include "settings/folder_display.h"
#include "settings/general_settings.h"
#include "tests/settings/settings_support.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

const std::string kProfile = "C:\\DOCUMENTS AND SETTINGS\\OWNER";
const std::string kUserTemp = kProfile + "\\LOCAL SETTINGS\\TEMP";
const BrowserLevel kIe6 {true, true};

class FolderDiscoveryTest : public ::testing::Test {
protected:
    bool find(std::vector<std::string> args = {}, BrowserLevel browser = kIe6)
    {
        keywords = Keywords(std::move(args));
        return FindFolders(m.machine(), keywords, browser, general, m.folders);
    }
    // One temp candidate evaluated with the folders found so far.
    TempCandidate check(const std::string& path, std::vector<std::string> args = {})
    {
        TempCandidate c;
        c.path = path;
        CheckTempFolder(m.machine(), Keywords(std::move(args)), m.folders, c);
        return c;
    }
    win::FileSystem files() { return win::FileSystem(m.machine()); }

    test::SettingsMachine m;
    Keywords keywords;
    GeneralSettings general;
};

} // namespace

TEST_F(FolderDiscoveryTest, FindsEveryFolderOfTheSampleMachine)
{
    EXPECT_TRUE(find());
    const FolderSet& f = m.folders;
    EXPECT_EQ(f.cacheFolder, kProfile + "\\LOCAL SETTINGS\\TEMPORARY INTERNET FILES\\CONTENT.IE5")
        << "IE 6 without Content.IE6 uses Content.IE5";
    EXPECT_EQ(f.cacheDrive, 'C');
    EXPECT_EQ(f.cookiesFolder, kProfile + "\\COOKIES");
    EXPECT_EQ(f.historyFolder, kProfile + "\\LOCAL SETTINGS\\HISTORY\\HISTORY.IE5");
    EXPECT_EQ(f.recentFolder, kProfile + "\\RECENT");
    EXPECT_TRUE(f.cacheFound && f.cookiesFound && f.historyFound && f.recentFound);
    EXPECT_TRUE(f.typedUrlsFound);
    EXPECT_EQ(f.typedUrlsText, "[HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\TYPEDURLS]");
    EXPECT_EQ(f.userDataFolder, kProfile + "\\APPLICATION DATA\\MICROSOFT\\INTERNET EXPLORER\\USERDATA");
    EXPECT_TRUE(f.userDataFound);
    EXPECT_EQ(f.pluginsFolder, std::string(test::kExecFolder) + "\\PLUGINS");
    win::DWORD attributes = 0;
    EXPECT_EQ(files().getAttributes(f.pluginsFolder, attributes), win::err::SUCCESS) << "created";
    EXPECT_EQ(f.pluginListFile, f.dataFolder + "\\PLUGINS.DAT");

    EXPECT_EQ(f.temp[FolderSet::SystemTemp].path, kUserTemp);
    EXPECT_EQ(f.temp[FolderSet::SystemTemp].error, 0);
    EXPECT_EQ(f.temp[FolderSet::WindowsTemp].path, "C:\\WINDOWS\\TEMP");
    EXPECT_EQ(f.temp[FolderSet::WindowsTemp].error, 0);
    EXPECT_EQ(f.temp[FolderSet::OldTemp].path, kUserTemp);
    EXPECT_EQ(f.temp[FolderSet::BootDiskTemp].path, "C:\\TEMP");
    EXPECT_EQ(f.temp[FolderSet::BootDiskTemp].error, 1);
    EXPECT_EQ(f.temp[FolderSet::BootDiskTemp].message, "... Folder Not Found ...");
    EXPECT_EQ(f.temp[FolderSet::FallbackTemp].path, kUserTemp);
    EXPECT_EQ(f.displayTemp, (std::vector<TempEntry> {{kUserTemp, "System Temp"}, {"C:\\WINDOWS\\TEMP", "Windows Temp"}}));
    EXPECT_EQ(f.purgeTemp, (std::vector<TempEntry> {{kUserTemp, "System Temp"}})) << "nothing chosen: the fallback";
}

TEST_F(FolderDiscoveryTest, VersionSubfoldersFollowTheBrowser)
{
    const std::string cache = "C:\\Documents and Settings\\Owner\\Local Settings\\Temporary Internet Files";
    ASSERT_EQ(files().createDirectory(cache + "\\Content.IE6"), win::err::SUCCESS);
    EXPECT_FALSE(find()) << "Content.IE6 is taken when it exists, and then needs its index";
    EXPECT_FALSE(m.folders.cacheFound);
    ASSERT_EQ(win::writeTextFile(m.machine(), cache + "\\Content.IE6\\index.dat", "x"), win::err::SUCCESS);
    EXPECT_TRUE(find());
    EXPECT_EQ(m.folders.cacheFolder, win::upperAscii(cache) + "\\CONTENT.IE6");
    find({}, {true, false});
    EXPECT_EQ(m.folders.cacheFolder, win::upperAscii(cache) + "\\CONTENT.IE5");
    // IE 4 keeps its index in the folder itself, which the sample has not.
    EXPECT_FALSE(find({}, {false, false}));
    EXPECT_FALSE(m.folders.cacheFound);
    EXPECT_EQ(m.folders.cacheFolder, "");
    EXPECT_EQ(m.folders.cacheDrive, ' ');
    EXPECT_TRUE(m.folders.cookiesFound);
}

TEST_F(FolderDiscoveryTest, AFolderNeedsItsIndexFile)
{
    const std::string history = "C:\\Documents and Settings\\Owner\\Local Settings\\History\\History.IE5";
    ASSERT_EQ(files().deleteFile(history + "\\index.dat"), win::err::SUCCESS);
    EXPECT_FALSE(find());
    EXPECT_FALSE(m.folders.historyFound);
    EXPECT_EQ(m.folders.historyFolder, "");
    EXPECT_TRUE(m.folders.recentFound) << "the recent folder needs no index";

    // An index file whose time is no DOS date does not count either.
    ASSERT_EQ(win::writeTextFile(m.machine(), history + "\\index.dat", "x"), win::err::SUCCESS);
    win::File file;
    ASSERT_EQ(files().createFile(history + "\\index.dat", win::access::GENERIC_WRITE, 0,
                                 win::Disposition::OpenExisting, 0, file),
              win::err::SUCCESS);
    const win::FileTime old = win::FileTime::fromValue(116444736000000000ull); // 1970
    ASSERT_EQ(file.setTimes(nullptr, &old, &old), win::err::SUCCESS);
    file.close();
    EXPECT_FALSE(find());
    EXPECT_FALSE(m.folders.historyFound);
}

TEST_F(FolderDiscoveryTest, TempNamesMustEndInTemp)
{
    for (const char* folder : {"C:\\TMP", "C:\\MYTEMP", "C:\\Temp"})
        ASSERT_EQ(files().createDirectory(folder), win::err::SUCCESS);
    find();
    EXPECT_EQ(check("C:\\WINDOWS\\TEMP").error, 0);
    EXPECT_EQ(check("c:\\temp\\").path, "C:\\TEMP");
    TempCandidate tmp = check("C:\\TMP");
    EXPECT_EQ(tmp.error, 2);
    EXPECT_EQ(tmp.message, "... not safe to use - Folder name not \"temp\" ...");
    EXPECT_EQ(tmp.drive, 'C');
    EXPECT_EQ(check("C:\\MYTEMP").error, 2);
    EXPECT_EQ(check("C:\\TMP", {"anytemp"}).error, 0);
    EXPECT_EQ(check("C:\\MYTEMP", {"ANYTEMP"}).error, 0);

    TempCandidate root = check("C:\\");
    EXPECT_EQ(root.path, "C:");
    EXPECT_EQ(root.error, 2);
    EXPECT_EQ(check("C:\\", {"ANYTEMP"}).error, 2);

    TempCandidate profiles = check("C:\\Documents and Settings", {"ANYTEMP"});
    EXPECT_EQ(profiles.error, 3);
    EXPECT_EQ(profiles.message, "... not safe to use - Contains I.E. folders{...");
    EXPECT_EQ(check(kUserTemp + "\\..\\TEMPORARY INTERNET FILES\\CONTENT.IE5", {"ANYTEMP"}).error, 3);
}

TEST_F(FolderDiscoveryTest, MissingAndEmptyTempPaths)
{
    find();
    TempCandidate missing = check("C:\\NoSuch\\Temp");
    EXPECT_EQ(missing.error, 1);
    EXPECT_EQ(missing.message, "... Folder Not Found ...");
    TempCandidate empty = check("");
    EXPECT_EQ(empty.path, "... Not Found ...");
    EXPECT_EQ(empty.message, "... No Path Specified ...");
    EXPECT_EQ(empty.error, 1);
    EXPECT_EQ(empty.drive, ' ');
    TempCandidate colon = check(":odd");
    EXPECT_EQ(colon.path, ":odd");
    EXPECT_EQ(colon.error, 1);
    EXPECT_EQ(check("\\WINDOWS\\TEMP").drive, 'C');
}

TEST_F(FolderDiscoveryTest, ShortTempPathIsStoredLongAndUpperCased)
{
    std::string shortForm;
    ASSERT_EQ(files().shortPathName("C:\\Documents and Settings\\Owner\\Local Settings\\Temp", shortForm),
              win::err::SUCCESS);
    ASSERT_NE(shortForm.find('~'), std::string::npos) << shortForm;
    ASSERT_EQ(m.machine().environment().set("TMP", shortForm), win::err::SUCCESS);
    find();
    EXPECT_EQ(m.folders.temp[FolderSet::SystemTemp].path, kUserTemp);
    EXPECT_EQ(LongPath(m.machine(), shortForm + "\\gone\\deeper"), "C:\\Documents and Settings\\Owner\\Local Settings\\Temp\\gone\\deeper");
}

TEST_F(FolderDiscoveryTest, TempFolderHoldingTheDataFolderIsUnsafe)
{
    // The data folder is stored in its own letter case; the temp path is
    // upper-cased. The test must still see that emptying C:\Temp would take
    // the data files with it.
    ASSERT_EQ(files().createDirectory("C:\\Temp"), win::err::SUCCESS);
    ASSERT_EQ(files().createDirectory("C:\\Temp\\Klenzor"), win::err::SUCCESS);
    m.folders.dataFolder = "C:\\Temp\\Klenzor";
    ASSERT_EQ(m.machine().environment().set("TMP", "C:\\Temp"), win::err::SUCCESS);
    find();
    EXPECT_EQ(m.folders.temp[FolderSet::SystemTemp].error, 3);
    EXPECT_EQ(m.folders.temp[FolderSet::BootDiskTemp].error, 3);
}

TEST_F(FolderDiscoveryTest, FallbackNeverTheProgramFolder)
{
    // A temp path naming the program's folder: TMP decides GetTempPath.
    ASSERT_EQ(m.machine().environment().set("TMP", "C:\\Program Files\\Klenzor Pro"), win::err::SUCCESS);
    ASSERT_EQ(m.machine().environment().set("TEMP", "C:\\Nowhere\\Temp"), win::err::SUCCESS);
    find({"ANYTEMP"});
    const TempCandidate& fallback = m.folders.temp[FolderSet::FallbackTemp];
    EXPECT_EQ(fallback.error, 1);
    EXPECT_EQ(fallback.path, "");
    EXPECT_EQ(fallback.message, "... Folder Not Found ...");
    EXPECT_EQ(m.folders.temp[FolderSet::SystemTemp].error, 3) << "the program's folder is never emptied";
    EXPECT_EQ(m.folders.purgeTemp, (std::vector<TempEntry> {}));
}

TEST_F(FolderDiscoveryTest, TempListsFollowTheChoicesWithoutDuplicates)
{
    find();
    general.TmpDir = "N";
    general.DosDir = "Y";
    general.WinDir = "Y";
    general.VolDir = "Y";
    BuildTempLists(general, m.folders);
    EXPECT_EQ(m.folders.purgeTemp,
              (std::vector<TempEntry> {{"C:\\WINDOWS\\TEMP", "Windows Temp"}, {kUserTemp, "Old Temp"}}));
    general.TmpDir = "Y";
    BuildTempLists(general, m.folders);
    EXPECT_EQ(m.folders.purgeTemp,
              (std::vector<TempEntry> {{kUserTemp, "System Temp"}, {"C:\\WINDOWS\\TEMP", "Windows Temp"}}));
    general.TmpDir = general.DosDir = general.WinDir = general.VolDir = "y";
    BuildTempLists(general, m.folders);
    EXPECT_EQ(m.folders.purgeTemp, (std::vector<TempEntry> {{kUserTemp, "System Temp"}})) << "only \"Y\" selects";
}

TEST_F(FolderDiscoveryTest, PluginSelectionIsSortedAsNamesCompare)
{
    ASSERT_EQ(win::writeTextFile(m.machine(), m.folders.dataFolder + "\\Plugins.Dat", "ZETA.STD\r\nalpha.cus\r\n\r\nBeta.STD"),
              win::err::SUCCESS);
    find();
    EXPECT_EQ(m.folders.pluginSelection, (std::vector<std::string> {"alpha.cus", "Beta.STD", "ZETA.STD"}));
}

TEST_F(FolderDiscoveryTest, ShellFolderAndDiskServices)
{
    std::string path;
    EXPECT_TRUE(GetShellFolder(m.machine(), 26, path));
    EXPECT_EQ(path, test::kAppData);
    EXPECT_FALSE(GetShellFolder(m.machine(), 0x7777, path));
    EXPECT_EQ(path, "Failed - Path not Found");

    DiskSpaceFigures space;
    EXPECT_FALSE(GetDiskSpace(m.machine(), 'Q', space));
    EXPECT_EQ(space.totalSize, 4194303u);
    EXPECT_EQ(space.freeSize, 4194303u);
    EXPECT_TRUE(GetDiskSpace(m.machine(), 'C', space));
    EXPECT_GT(space.totalSize, 0u);
    EXPECT_LE(space.freeSize, space.totalSize);
    EXPECT_GT(space.bytesPerSector, 0u);

    EXPECT_EQ(ExpandPath(m.machine(), "%SystemRoot%\\x"), "C:\\WINDOWS\\x");
    ASSERT_EQ(m.machine().environment().set("HUGE", std::string(1100, 'h')), win::err::SUCCESS);
    EXPECT_EQ(ExpandPath(m.machine(), "%HUGE%"), "");
    EXPECT_EQ(LongPath(m.machine(), "c:\\program files\\KLENZOR PRO"), "c:\\Program Files\\Klenzor Pro");
}

TEST_F(FolderDiscoveryTest, FolderDisplayOfTheSampleMachine)
{
    find();
    m.folders.dataFolder = "C:\\Documents and Settings\\Owner\\Application Data\\Klenzor";
    const std::size_t plain = FolderDisplayLines(m.folders, false).size();

    m.folders.dataFolderDrive = "C:\\";
    m.folders.dataFolderDriveType = 3;
    m.folders.previousDataFolder = "C:\\Program Files\\Klenzor Pro";
    m.folders.previousDataFolderDrive = "C:\\";
    m.folders.previousDataFolderDriveType = 3;
    const std::vector<std::string> extended = FolderDisplayLines(m.folders, true);
    ASSERT_EQ(extended.size(), plain + 2);
    EXPECT_EQ(extended[20], "Klenzor Pro Data Folder:  " + kProfile + "\\APPLICATION DATA\\KLENZOR  -  Root[3] - C:\\");
    EXPECT_EQ(extended[22], "Klenzor Pro Prev Folder:  C:\\PROGRAM FILES\\KLENZOR PRO  -  Root[3] - C:\\");
}

TEST(FolderDiscovery98, FindsTheFoldersOfAWindows98Machine)
{
    sample::MachineSpec recipe = test::BuiltMachine::fixedSpec();
    recipe.layout = sample::MachineLayout::Windows98;
    test::BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    FolderSet folders;
    folders.execFolder = "C:\\PROGRAM FILES\\KLENZOR PRO";
    GeneralSettings general;
    EXPECT_TRUE(FindFolders(built.machine(), Keywords(), kIe6, general, folders));
    EXPECT_EQ(folders.cacheFolder.substr(0, 20), "C:\\WINDOWS\\PROFILES\\") << folders.cacheFolder;
    EXPECT_TRUE(folders.cacheFolder.ends_with("\\CONTENT.IE5"));
    EXPECT_TRUE(folders.historyFolder.ends_with("\\HISTORY.IE5"));
    ASSERT_FALSE(folders.displayTemp.empty());
    EXPECT_EQ(folders.displayTemp[0].path, "C:\\WINDOWS\\TEMP");
    for (std::size_t i = 1; i < folders.displayTemp.size(); ++i)
        EXPECT_NE(folders.displayTemp[i].path, "C:\\WINDOWS\\TEMP") << "listed once";
}
