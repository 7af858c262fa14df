#include "platform/system/system_info.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/built_machine.h"
#include "tests/support/real_wine_machine.h"

#include <gtest/gtest.h>

using namespace kp::win;
using kp::test::BuiltMachine;

namespace {

constexpr const char* kNtVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";

} // namespace

TEST(SystemInfo, XpMachineIdentity)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    WindowsVersion v = windowsVersion(m);
    EXPECT_EQ(v.major, 5u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.build, 2600u);
    EXPECT_EQ(v.csdVersion, "Service Pack 2");
    EXPECT_EQ(platformId(m), platform_id::WIN32_NT);

    std::string text;
    EXPECT_EQ(userName(m, text), err::SUCCESS);
    EXPECT_EQ(text, "Owner");
    EXPECT_EQ(computerName(m, text), err::SUCCESS);
    EXPECT_EQ(text, "KLENZOR-XP");
    EXPECT_EQ(userSid(m), "S-1-5-21-0-0-0-1000");
    EXPECT_EQ(profileImagePath(m, text), err::SUCCESS);
    EXPECT_EQ(text, "%SystemDrive%\\Documents and Settings\\Owner");
    RegKey profile;
    EXPECT_EQ(m.registry().openKey(RegRoot::LocalMachine, profileListKey(userSid(m)), false, profile), err::SUCCESS);
    EXPECT_EQ(windowsDirectory(m), "C:\\WINDOWS");
    EXPECT_EQ(systemDirectory(m), "C:\\WINDOWS\\system32");
}

TEST(SystemInfo, NinetyEightFamilyIsPlatformOne)
{
    kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.layout = kp::sample::MachineLayout::Windows98;
    recipe.userName = "Betty";
    BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    WindowsVersion v = windowsVersion(m);
    EXPECT_EQ(v.platformId, platform_id::WIN32_WINDOWS);
    EXPECT_EQ(v.major, 4u);
    EXPECT_EQ(v.minor, 10u);
    EXPECT_EQ(v.build, 2222u);
    EXPECT_EQ(v.csdVersion, " A ");
    EXPECT_EQ(systemDirectory(m), "C:\\WINDOWS\\SYSTEM");
    std::string text;
    EXPECT_EQ(userName(m, text), err::SUCCESS);
    EXPECT_EQ(text, "Betty");
    EXPECT_EQ(profileImagePath(m, text), err::FILE_NOT_FOUND) << "no NT profile list";

    // An NT machine whose NT version key is gone reads as 9x when the Windows key says so.
    BuiltMachine xp;
    ASSERT_TRUE(xp.ok());
    RegKey microsoft, version;
    Registry& reg = xp.machine().registry();
    ASSERT_EQ(reg.openKey(RegRoot::LocalMachine, "Software\\Microsoft", true, microsoft), err::SUCCESS);
    ASSERT_EQ(reg.deleteTree(microsoft, "Windows NT"), err::SUCCESS);
    EXPECT_EQ(platformId(xp.machine()), platform_id::WIN32_NT) << "no VersionNumber: Wine's default";
    ASSERT_EQ(reg.openKey(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", true, version),
              err::SUCCESS);
    ASSERT_EQ(reg.setString(version, "VersionNumber", "4.00.950"), err::SUCCESS);
    EXPECT_EQ(platformId(xp.machine()), platform_id::WIN32_WINDOWS);
}

TEST(SystemInfo, WineVersionSettingWins)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    RegKey wine;
    ASSERT_EQ(m.registry().createKey(RegRoot::CurrentUser, "Software\\Wine", wine), err::SUCCESS);
    ASSERT_EQ(m.registry().setString(wine, "Version", "WIN98"), err::SUCCESS);
    EXPECT_EQ(platformId(m), platform_id::WIN32_WINDOWS);
    ASSERT_EQ(m.registry().setString(wine, "Version", "not-a-version"), err::SUCCESS);
    EXPECT_EQ(windowsVersion(m).major, 5u) << "an unknown name leaves the registry's version";
}

TEST(SystemInfo, MachineWithoutVersionKeysIsWinesDefault)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    RegKey version;
    ASSERT_EQ(m.registry().openKey(RegRoot::LocalMachine, kNtVersion, true, version), err::SUCCESS);
    ASSERT_EQ(m.registry().setString(version, "CurrentVersion", "garbage"), err::SUCCESS);
    WindowsVersion v = windowsVersion(m);
    EXPECT_EQ(v.platformId, platform_id::WIN32_NT);
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);
}

TEST(SystemInfo, UserAndComputerNamesFallBack)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    Registry& reg = m.registry();
    RegKey explorer, names;
    ASSERT_EQ(reg.openKey(RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", true,
                          explorer),
              err::SUCCESS);
    ASSERT_EQ(reg.deleteValue(explorer, "Logon User Name"), err::SUCCESS);
    std::string text;
    EXPECT_EQ(userName(m, text), err::SUCCESS);
    EXPECT_EQ(text, "Owner") << "from the profile folder's name";

    RegKey volatileEnv;
    ASSERT_EQ(reg.openKey(RegRoot::CurrentUser, "Volatile Environment", true, volatileEnv), err::SUCCESS);
    ASSERT_EQ(reg.setString(volatileEnv, "USERNAME", "wineuser"), err::SUCCESS);
    EXPECT_EQ(userName(m, text), err::SUCCESS);
    EXPECT_EQ(text, "wineuser");

    ASSERT_EQ(reg.openKey(RegRoot::LocalMachine, "System\\CurrentControlSet\\Control", true, names), err::SUCCESS);
    ASSERT_EQ(reg.deleteTree(names, "ComputerName"), err::SUCCESS);
    text = "kept";
    EXPECT_EQ(computerName(m, text), err::FILE_NOT_FOUND);
    EXPECT_EQ(text, "kept");
}

TEST(SystemInfo, RealWinePrefixIdentity)
{
    Machine* wine = kp::test::realWineMachine();
    if (!wine)
        GTEST_SKIP() << kp::test::realWineMachineError();
    EXPECT_EQ(platformId(*wine), platform_id::WIN32_NT);
    WindowsVersion v = windowsVersion(*wine);
    EXPECT_GE(v.major, 6u);
    EXPECT_GT(v.build, 0u);
    EXPECT_EQ(userSid(*wine), "S-1-5-21-0-0-0-1000");
    std::string user, computer, profile;
    ASSERT_EQ(userName(*wine, user), err::SUCCESS);
    ASSERT_EQ(computerName(*wine, computer), err::SUCCESS);
    EXPECT_FALSE(computer.empty());
    ASSERT_EQ(profileImagePath(*wine, profile), err::SUCCESS);
    EXPECT_EQ(profile, "C:\\users\\" + user);
    EXPECT_EQ(windowsDirectory(*wine), "C:\\windows");
}
