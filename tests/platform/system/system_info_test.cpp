#include "platform/system/system_info.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "platform/system/pe_version.h"
#include "platform/system/shell_folders.h"
#include "tests/support/machine_tests.h"

#include <gtest/gtest.h>

using namespace kp::win;

namespace {

using SystemInfo = kp::test::OnBuiltMachine;
using XpMachine = kp::test::OnSampleMachine;

kp::sample::MachineSpec ninetyEight()
{
    kp::sample::MachineSpec recipe = kp::test::BuiltMachine::fixedSpec();
    recipe.layout = kp::sample::MachineLayout::Windows98;
    recipe.userName = "Betty";
    return recipe;
}

class NinetyEightMachine : public kp::test::OnBuiltMachine {
protected:
    NinetyEightMachine() : OnBuiltMachine(ninetyEight()) {}
};

// What a call that fills a text gives, or "<error>".
std::string result(DWORD (*call)(Machine&, std::string&), Machine& m)
{
    std::string text;
    const DWORD e = call(m, text);
    return e ? "<" + std::to_string(e) + ">" : text;
}

RegKey openKey(Machine& m, RegRoot root, const char* path)
{
    RegKey key;
    EXPECT_EQ(m.registry().openKey(root, path, true, key), err::SUCCESS) << path;
    return key;
}

} // namespace

TEST_F(XpMachine, IdentityAndInternetExplorer6sLibrary)
{
    const WindowsVersion v = windowsVersion(machine());
    EXPECT_EQ(v.major, 5u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.build, 2600u);
    EXPECT_EQ(v.csdVersion, "Service Pack 2");
    EXPECT_EQ(platformId(machine()), platform_id::WIN32_NT);
    EXPECT_EQ(result(userName, machine()), "Owner");
    EXPECT_EQ(result(computerName, machine()), "KLENZOR-XP");
    EXPECT_EQ(userSid(machine()), "S-1-5-21-0-0-0-1000");
    EXPECT_EQ(result(profileImagePath, machine()), "%SystemDrive%\\Documents and Settings\\Owner");
    RegKey profile;
    EXPECT_EQ(machine().registry().openKey(RegRoot::LocalMachine, profileListKey(userSid(machine())), false, profile),
        err::SUCCESS);
    EXPECT_EQ(windowsDirectory(machine()), "C:\\WINDOWS");
    EXPECT_EQ(systemDirectory(machine()), "C:\\WINDOWS\\system32");

    FileVersionInfo info;
    ASSERT_EQ(fileVersionInfo(machine(), systemDirectory(machine()) + "\\shdocvw.dll", info), err::SUCCESS);
    EXPECT_EQ(fixedVersionText(info), "6.0.2900.2180");
    EXPECT_EQ(info.fileVersionText.substr(0, 14), "6.00.2900.2180");
    EXPECT_EQ(fileVersionInfo(machine(), "C:\\WINDOWS\\system32\\nothere.dll", info), err::FILE_NOT_FOUND);
}

TEST_F(NinetyEightMachine, IsPlatformOneWithPlainProfilePathsAndAutoexecSettings)
{
    const WindowsVersion v = windowsVersion(machine());
    EXPECT_EQ(v.platformId, platform_id::WIN32_WINDOWS);
    EXPECT_EQ(v.major, 4u);
    EXPECT_EQ(v.minor, 10u);
    EXPECT_EQ(v.build, 2222u);
    EXPECT_EQ(v.csdVersion, " A ");
    EXPECT_EQ(systemDirectory(machine()), "C:\\WINDOWS\\SYSTEM");
    std::string text;
    EXPECT_EQ(result(userName, machine()), "Betty");
    EXPECT_EQ(result(profileImagePath, machine()), "<2>") << "no NT profile list";

    const std::string p = "C:\\WINDOWS\\Profiles\\Betty";
    const std::pair<int, std::string> folders[] = {
        {csidl::INTERNET_CACHE, p + "\\Temporary Internet Files"},
        {csidl::COOKIES, p + "\\Cookies"},
        {csidl::HISTORY, p + "\\History"},
        {csidl::RECENT, p + "\\Recent"},
        {csidl::COMMON_DESKTOPDIRECTORY, "C:\\WINDOWS\\All Users\\Desktop"},
    };
    for (const auto& [id, path] : folders) {
        EXPECT_EQ(shGetFolderPath(machine(), id, text), err::SUCCESS) << id;
        EXPECT_EQ(text, path);
    }
    EXPECT_EQ(shGetFolderPath(machine(), csidl::PROFILE, text), err::FILE_NOT_FOUND)
        << "the 9x family has no USERPROFILE";
    // The environment comes from the machine's AUTOEXEC settings.
    ASSERT_EQ(machine().environment().tempPath(text), err::SUCCESS);
    EXPECT_EQ(text, "C:\\WINDOWS\\TEMP\\");
}

TEST_F(SystemInfo, VersionComesFromWinesSettingThenTheRegistry)
{
    Registry& reg = machine().registry();
    RegKey wine;
    ASSERT_EQ(reg.createKey(RegRoot::CurrentUser, "Software\\Wine", wine), err::SUCCESS);
    ASSERT_EQ(reg.setString(wine, "Version", "WIN98"), err::SUCCESS);
    EXPECT_EQ(platformId(machine()), platform_id::WIN32_WINDOWS);
    ASSERT_EQ(reg.setString(wine, "Version", "not-a-version"), err::SUCCESS);
    EXPECT_EQ(windowsVersion(machine()).major, 5u) << "an unknown name leaves the registry's version";

    const RegKey nt = openKey(machine(), RegRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion");
    ASSERT_EQ(reg.setString(nt, "CurrentVersion", "garbage"), err::SUCCESS);
    const WindowsVersion v = windowsVersion(machine());
    EXPECT_EQ(v.platformId, platform_id::WIN32_NT) << "Wine's default";
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);

    // Without the NT version key the Windows key may say 9x.
    ASSERT_EQ(reg.deleteTree(openKey(machine(), RegRoot::LocalMachine, "Software\\Microsoft"), "Windows NT"),
        err::SUCCESS);
    EXPECT_EQ(platformId(machine()), platform_id::WIN32_NT) << "no VersionNumber: Wine's default";
    const RegKey windows = openKey(machine(), RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
    ASSERT_EQ(reg.setString(windows, "VersionNumber", "4.00.950"), err::SUCCESS);
    EXPECT_EQ(platformId(machine()), platform_id::WIN32_WINDOWS);
}

TEST_F(SystemInfo, UserAndComputerNamesFallBack)
{
    Registry& reg = machine().registry();
    const RegKey explorer
        = openKey(machine(), RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
    ASSERT_EQ(reg.deleteValue(explorer, "Logon User Name"), err::SUCCESS);
    EXPECT_EQ(result(userName, machine()), "Owner") << "from the profile folder's name";
    ASSERT_EQ(reg.setString(openKey(machine(), RegRoot::CurrentUser, "Volatile Environment"), "USERNAME", "wineuser"),
        err::SUCCESS);
    EXPECT_EQ(result(userName, machine()), "wineuser");
    ASSERT_EQ(reg.deleteTree(openKey(machine(), RegRoot::LocalMachine, "System\\CurrentControlSet\\Control"),
                  "ComputerName"),
        err::SUCCESS);
    std::string text = "kept";
    EXPECT_EQ(computerName(machine(), text), err::FILE_NOT_FOUND);
    EXPECT_EQ(text, "kept");
}
