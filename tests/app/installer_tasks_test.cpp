#include "app/installer_tasks.h"
#include "app/main_window_start.h"
#include "config/theme_state.h"
#include "platform/files/file_system.h"
#include "platform/registry/registry.h"
#include "tests/support/built_machine.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace kp;
using namespace kp::win;

namespace {

const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void addEntry(Registry& registry, RegRoot root, const std::string& name, const std::string& appPath,
              DWORD type = regtype::SZ)
{
    RegKey key;
    ASSERT_EQ(registry.createKey(root, std::string(kUninstall) + "\\" + name, key), err::SUCCESS);
    ASSERT_EQ(registry.setString(key, "Inno Setup: App Path", appPath, type), err::SUCCESS);
}

bool hasEntry(Registry& registry, RegRoot root, const std::string& name)
{
    RegKey key;
    return registry.openKey(root, std::string(kUninstall) + "\\" + name, false, key) == err::SUCCESS;
}

} // namespace

TEST(InstallerTasks, OlderEntriesOfThisFolderGoOthersStayAndAMissingKeyIsSkipped)
{
    test::TempMachine temp;
    Registry& registry = temp.machine().registry();
    RemoveStaleUninstallEntries(registry, "C:\\X");
    RegKey missing;
    EXPECT_EQ(registry.openKey(RegRoot::CurrentUser, kUninstall, false, missing), err::FILE_NOT_FOUND)
        << "a missing uninstall key is skipped, not made";

    addEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.01_is1", "c:\\program files\\klenzor pro");
    addEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - #.##_is1", "C:\\Program Files\\Klenzor Pro");
    addEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.02_is1", "C:\\Program Files\\Klenzor Pro\\");
    addEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 1.99_is1", "D:\\Elsewhere");
    addEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.0_is1", "C:\\Program Files\\Klenzor Pro");
    addEntry(registry, RegRoot::LocalMachine, "KLENZOR PRO - 2.00_IS1", "C:\\PROGRAM FILES\\KLENZOR PRO",
             regtype::EXPAND_SZ);
    addEntry(registry, RegRoot::LocalMachine, "Other Program - 2.00_is1", "C:\\Program Files\\Klenzor Pro");

    RemoveStaleUninstallEntries(registry, "C:\\PROGRAM FILES\\KLENZOR PRO\\");

    EXPECT_FALSE(hasEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.01_is1"));
    EXPECT_TRUE(hasEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - #.##_is1"));
    EXPECT_TRUE(hasEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.02_is1")); // stored with a backslash
    EXPECT_TRUE(hasEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 1.99_is1"));
    EXPECT_TRUE(hasEntry(registry, RegRoot::CurrentUser, "Klenzor Pro - 2.0_is1")); // other length
    EXPECT_FALSE(hasEntry(registry, RegRoot::LocalMachine, "KLENZOR PRO - 2.00_IS1"));
    EXPECT_TRUE(hasEntry(registry, RegRoot::LocalMachine, "Other Program - 2.00_is1"));
}

namespace {

struct Files {
    FileSystem fs;
    explicit Files(Machine& m) : fs(m) {}
    void write(const std::string& path, const std::string& text = "x")
    {
        File file;
        ASSERT_EQ(fs.createFile(path, access::GENERIC_WRITE, 0, Disposition::CreateAlways, 0, file), err::SUCCESS)
            << path;
        DWORD done = 0;
        ASSERT_EQ(file.write(text.data(), DWORD(text.size()), done), err::SUCCESS);
    }
    std::string read(const std::string& path)
    {
        File file;
        if (fs.createFile(path, access::GENERIC_READ, share::READ, Disposition::OpenExisting, 0, file) != err::SUCCESS)
            return "<missing>";
        char buffer[256];
        DWORD done = 0;
        EXPECT_EQ(file.read(buffer, sizeof buffer, done), err::SUCCESS);
        return std::string(buffer, done);
    }
    void mkdirs(const std::string& path)
    {
        for (std::size_t at = path.find('\\', 3); ; at = path.find('\\', at + 1)) {
            const DWORD e = fs.createDirectory(path.substr(0, at));
            ASSERT_TRUE(e == err::SUCCESS || e == err::ALREADY_EXISTS) << e;
            if (at == std::string::npos)
                break;
        }
    }
};

const std::string kProfiles = "C:\\Documents and Settings";

} // namespace

TEST(InstallerTasks, UninstallDeletesOnlyTheProgramsFilesInEachUsersDataFolder)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    Files files(m);
    const std::string ownerData = kProfiles + "\\Owner\\Application Data\\Klenzor";
    const std::string bobData = kProfiles + "\\Bob\\Application Data\\Klenzor";
    const std::string annData = kProfiles + "\\Ann\\Application Data\\Klenzor";
    for (const std::string& folder : {ownerData, bobData, annData})
        files.mkdirs(folder);
    files.write(ownerData + "\\KlenPro.ini");
    files.write(ownerData + "\\KLENZOR.LOG");
    files.write(bobData + "\\KlenPro.dat");
    files.write(bobData + "\\Purgeinx.bat");
    files.write(bobData + "\\notes.txt");
    files.write(annData + "\\Plugins.dat");
    files.write(kProfiles + "\\Ann\\Application Data\\KlenPro.ini"); // beside the data folder: not ours to delete

    DeleteAllUsersDataFiles(m, "Klenzor", ownerData);

    EXPECT_FALSE(files.fs.exists(ownerData));
    EXPECT_FALSE(files.fs.exists(bobData + "\\KlenPro.dat"));
    EXPECT_FALSE(files.fs.exists(bobData + "\\Purgeinx.bat"));
    EXPECT_TRUE(files.fs.exists(bobData + "\\notes.txt"));
    EXPECT_FALSE(files.fs.exists(annData));
    EXPECT_TRUE(files.fs.exists(kProfiles + "\\Ann\\Application Data\\KlenPro.ini"));
}

TEST(InstallerTasks, TheUsersDesktopCopyOfTheShortcutGoesWhenAllUsersHaveOne)
{
    test::BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Files files(built.machine());
    const std::string common = kProfiles + "\\All Users\\Desktop\\Klenzor Pro.lnk";
    const std::string user = kProfiles + "\\Owner\\Desktop\\Klenzor Pro.lnk";
    ASSERT_TRUE(files.fs.exists(common));
    files.write(user);
    RemoveDuplicateDesktopShortcut(built.machine());
    EXPECT_FALSE(files.fs.exists(user));
    EXPECT_TRUE(files.fs.exists(common));

    ASSERT_EQ(files.fs.deleteFile(common), err::SUCCESS);
    files.write(user);
    RemoveDuplicateDesktopShortcut(built.machine());
    EXPECT_TRUE(files.fs.exists(user));
}

TEST(InstallerTasks, TheFreshManifestReplacesTheSwitchedOffOneElseTheActiveOne)
{
    test::TempMachine temp;
    Files files(temp.machine());
    const std::string exe = "C:\\klenpro.exe";
    EXPECT_FALSE(RefreshManifest(temp.machine(), exe)); // no fresh copy: nothing to do
    files.write(exe + ".ManifesI", "fresh");
    files.write(exe + ".ManifesT", "active");
    EXPECT_FALSE(RefreshManifest(temp.machine(), exe));
    EXPECT_EQ(files.read(exe + ".ManifesT"), "fresh");

    files.write(exe + ".ManifesT", "active");
    files.write(exe + ".ManifesX", "off");
    EXPECT_FALSE(RefreshManifest(temp.machine(), exe));
    EXPECT_EQ(files.read(exe + ".ManifesX"), "fresh");
    EXPECT_EQ(files.read(exe + ".ManifesT"), "active");

    ASSERT_EQ(files.fs.setAttributes(exe + ".ManifesX", attr::READONLY), err::SUCCESS);
    const std::optional<std::string> failure = RefreshManifest(temp.machine(), exe);
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, "Cannot create file klenpro.exe.ManifesX");
}

TEST(InstallerTasks, TheManifestIsActiveOrSwitchedOffButTheInstallersCopyIsNoManifestInUse)
{
    test::TempMachine temp;
    Files files(temp.machine());
    const std::string exe = "C:\\klenpro.exe";
    EXPECT_EQ(ReadThemeState(temp.machine(), exe).ThemeState, 0);
    files.write(exe + ".ManifesI", "fresh");
    EXPECT_EQ(ReadThemeState(temp.machine(), exe).ThemeState, 0) << "the installer's copy is no manifest in use";
    files.write(exe + ".ManifesX", "off");
    EXPECT_EQ(ReadThemeState(temp.machine(), exe).ThemeState, 1);
    files.write(exe + ".ManifesT", "active");
    EXPECT_EQ(ReadThemeState(temp.machine(), exe).ThemeState, 2);
}
