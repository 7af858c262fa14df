#include "app/installer_tasks.h"
#include "platform/registry.h"
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

TEST(InstallerTasks, OlderEntriesOfThisFolderGoOthersStay)
{
    test::TempMachine temp;
    Registry& registry = temp.machine().registry();
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

TEST(InstallerTasks, AMissingUninstallKeyIsSkipped)
{
    test::TempMachine temp;
    RemoveStaleUninstallEntries(temp.machine().registry(), "C:\\X");
    RegKey key;
    EXPECT_EQ(temp.machine().registry().openKey(RegRoot::CurrentUser, kUninstall, false, key), err::FILE_NOT_FOUND);
}
