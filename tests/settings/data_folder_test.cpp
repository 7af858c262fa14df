#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/files/win_path.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "settings/data_folder.h"
#include "tests/settings/settings_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace kp;
using kp::test::kAppData;
using kp::test::kExecFolder;

namespace {

class DataFolderTest : public ::testing::Test {
protected:
    std::string resolve(std::vector<std::string> args = {})
    {
        folders = FolderSet();
        return ResolveDataFolder(built.machine(), Keywords(std::move(args)), kExecFolder, folders);
    }
    bool isFolder(const std::string& path)
    {
        win::DWORD a = 0;
        return win::FileSystem(built.machine()).getAttributes(path, a) == win::err::SUCCESS
            && (a & win::attr::DIRECTORY);
    }
    void writeWin(const std::string& winPath, const std::string& text)
    {
        ASSERT_EQ(win::writeTextFile(built.machine(), winPath, text), win::err::SUCCESS) << winPath;
    }
    std::string readWin(const std::string& winPath)
    {
        std::string text;
        EXPECT_EQ(win::readTextFile(built.machine(), winPath, text), win::err::SUCCESS);
        return text;
    }

    test::BuiltMachine built;
    FolderSet folders;
};

} // namespace

TEST_F(DataFolderTest, ApplicationDataTakesOverAndGetsTheOlderFiles)
{
    writeWin(std::string(kExecFolder) + "\\KlenPro.Ini", "[Options]\r\nCookies=1\r\n");
    writeWin(std::string(kExecFolder) + "\\Plugins.Dat", "A.STD\r\n");
    ASSERT_EQ(resolve({"boot", "trace"}), "");
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\Klenzor");
    EXPECT_TRUE(isFolder(folders.dataFolder));
    EXPECT_EQ(folders.dataFolderDrive, "C:\\");
    EXPECT_EQ(folders.dataFolderDriveType, 3);
    EXPECT_EQ(folders.previousDataFolder, kExecFolder);
    EXPECT_EQ(folders.previousDataFolderDriveType, 3);
    EXPECT_FALSE(folders.dataFolderReadOnly || folders.dataFolderFromEnv);
    EXPECT_EQ(folders.modePrefix, "Boot");
    EXPECT_TRUE(folders.trace);
    EXPECT_EQ(readWin(folders.dataFolder + "\\KlenPro.Ini"), "[Options]\r\nCookies=1\r\n");
    EXPECT_EQ(readWin(folders.dataFolder + "\\Plugins.Dat"), "A.STD\r\n");

    // Files already in the data folder are never overwritten; a second call
    // does nothing at all.
    writeWin(std::string(kExecFolder) + "\\KlenPro.Ini", "[Options]\r\nCookies=0\r\n");
    const std::string before = folders.dataFolder;
    EXPECT_EQ(ResolveDataFolder(built.machine(), Keywords({"CDEXEC"}), kExecFolder, folders), "");
    EXPECT_EQ(folders.dataFolder, before);
    EXPECT_FALSE(folders.dataFolderReadOnly);
    ASSERT_EQ(resolve(), "");
    EXPECT_EQ(readWin(folders.dataFolder + "\\KlenPro.Ini"), "[Options]\r\nCookies=1\r\n");
}

TEST_F(DataFolderTest, DataKeywordNamesTheSubfolder)
{
    ASSERT_EQ(resolve({"data=MyData"}), "");
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\MYDATA");
    EXPECT_TRUE(isFolder(folders.dataFolder));
}

TEST_F(DataFolderTest, ACdRomDriveMakesTheDataFolderReadOnly)
{
    // D: is a CD-ROM drive holding the program.
    const std::string cd = built.prefixDir() + "/cdrom";
    std::filesystem::create_directories(cd + "/KLENPRO");
    ASSERT_EQ(::symlink("../cdrom", (built.prefixDir() + "/dosdevices/d:").c_str()), 0);
    win::Registry& registry = built.machine().registry();
    win::RegKey drives;
    ASSERT_EQ(registry.createKey(win::RegRoot::LocalMachine, "Software\\Wine\\Drives", drives), win::err::SUCCESS);
    ASSERT_EQ(registry.setString(drives, "d:", "cdrom"), win::err::SUCCESS);
    built.reopen();
    folders = FolderSet();
    ResolveDataFolder(built.machine(), Keywords(), "D:\\KLENPRO", folders);
    EXPECT_EQ(folders.dataFolder, "D:\\KLENPRO");
    EXPECT_EQ(folders.dataFolderDriveType, 5);
    EXPECT_TRUE(folders.dataFolderReadOnly);
}

TEST_F(DataFolderTest, ServerMovesThePreviousChoiceToTheWindowsFolder)
{
    writeWin("C:\\WINDOWS\\KlenPro.Dat", "http://a/\r\n");
    ASSERT_EQ(resolve({"SERVER"}), "");
    EXPECT_EQ(win::upperAscii(folders.previousDataFolder), "C:\\WINDOWS");
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\Klenzor");
    EXPECT_EQ(readWin(folders.dataFolder + "\\KlenPro.Dat"), "http://a/\r\n");
}

TEST_F(DataFolderTest, EnvironmentVariableNamesTheFolderExpandedTwice)
{
    win::Environment& env = built.machine().environment();
    ASSERT_EQ(env.set("KPBASE", "C:\\Shared"), win::err::SUCCESS);
    ASSERT_EQ(env.set("klenzordat", "%KPBASE%\\"), win::err::SUCCESS);
    ASSERT_EQ(win::FileSystem(built.machine()).createDirectory("C:\\Shared"), win::err::SUCCESS);
    ASSERT_EQ(resolve(), "");
    EXPECT_EQ(folders.dataFolder, "C:\\Shared");
    EXPECT_TRUE(folders.dataFolderFromEnv);
    EXPECT_TRUE(folders.previousDataFolder.empty());

    ASSERT_EQ(env.set("klenzordat", "C:\\Shared\\New"), win::err::SUCCESS);
    ASSERT_EQ(resolve(), "");
    EXPECT_EQ(folders.dataFolder, "C:\\Shared\\New");
    EXPECT_TRUE(isFolder("C:\\Shared\\New"));
}

TEST_F(DataFolderTest, UncreatableOrOverlongEnvironmentFolderFallsBack)
{
    win::Environment& env = built.machine().environment();
    ASSERT_EQ(env.set("klenzordat", "C:\\No\\Such\\Parent"), win::err::SUCCESS);
    ASSERT_EQ(resolve(), "");
    EXPECT_FALSE(folders.dataFolderFromEnv);
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\Klenzor");
    EXPECT_FALSE(isFolder("C:\\No"));

    ASSERT_EQ(env.set("klenzordat", "C:\\" + std::string(120, 'x')), win::err::SUCCESS);
    ASSERT_EQ(resolve(), "");
    EXPECT_FALSE(folders.dataFolderFromEnv);
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\Klenzor");
}

TEST_F(DataFolderTest, MigrationThatCannotCopyIsReported)
{
    win::FileSystem files(built.machine());
    ASSERT_EQ(files.createDirectory(std::string(kExecFolder) + "\\KlenPro.Dat"), win::err::SUCCESS);
    EXPECT_EQ(resolve(), "Cannot open file KlenPro.Dat");
    EXPECT_EQ(folders.dataFolder, std::string(kAppData) + "\\Klenzor");
}
