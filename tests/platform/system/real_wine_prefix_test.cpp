// Environment, shell folders, identity and file versions of a prefix made
// by real Wine (Windows 10 layout).

#include "platform/machine.h"
#include "platform/system/environment.h"
#include "platform/system/pe_version.h"
#include "platform/system/shell_folders.h"
#include "platform/system/system_info.h"
#include "tests/support/machine_tests.h"

#include <gtest/gtest.h>

using namespace kp::win;

namespace {

class RealWinePrefix : public kp::test::OnRealWineMachine {
protected:
    std::string var(const char* name)
    {
        std::string value;
        const DWORD e = wine->environment().get(name, value);
        return e ? "<" + std::to_string(e) + ">" : value;
    }
};

} // namespace

TEST_F(RealWinePrefix, Environment)
{
    const std::string profile = "C:\\users\\" + var("USERNAME");
    const std::pair<const char*, std::string> expected[] = {
        {"USERPROFILE", profile},
        {"APPDATA", profile + "\\AppData\\Roaming"},
        {"LOCALAPPDATA", profile + "\\AppData\\Local"},
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"PUBLIC", "C:\\users\\Public"},
        {"windir", "C:\\windows"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"TEMP", profile + "\\Temp"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(var(name), value) << name;
    EXPECT_EQ(var("PATH").rfind("C:\\windows\\system32;C:\\windows;", 0), 0u) << var("PATH");
    std::string temp;
    ASSERT_EQ(wine->environment().tempPath(temp), err::SUCCESS);
    EXPECT_EQ(temp, profile + "\\Temp\\");
}

TEST_F(RealWinePrefix, ShellFoldersUseTheWindows10Layout)
{
    const std::string profile = var("USERPROFILE");
    ASSERT_TRUE(profile.starts_with("C:\\users\\")) << profile;
    const std::string roaming = profile + "\\AppData\\Roaming";
    const std::string local = profile + "\\AppData\\Local";
    const std::pair<int, std::string> expected[] = {
        {csidl::PERSONAL, profile + "\\Documents"},
        {csidl::RECENT, roaming + "\\Microsoft\\Windows\\Recent"},
        {csidl::DESKTOPDIRECTORY, profile + "\\Desktop"},
        {csidl::COMMON_DESKTOPDIRECTORY, "C:\\users\\Public\\Desktop"},
        {csidl::APPDATA, roaming},
        {csidl::INTERNET_CACHE, local + "\\Microsoft\\Windows\\INetCache"},
        {csidl::COOKIES, local + "\\Microsoft\\Windows\\INetCookies"},
        {csidl::HISTORY, local + "\\Microsoft\\Windows\\History"},
        {csidl::MYPICTURES, profile + "\\Pictures"},
        {csidl::PROGRAMS, roaming + "\\Microsoft\\Windows\\Start Menu\\Programs"},
        {csidl::STARTUP, roaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {csidl::SENDTO, roaming + "\\Microsoft\\Windows\\SendTo"},
        {csidl::STARTMENU, roaming + "\\Microsoft\\Windows\\Start Menu"},
        {csidl::LOCAL_APPDATA, local},
        {csidl::WINDOWS, "C:\\windows"},
        {csidl::PROGRAM_FILES, "C:\\Program Files"},
    };
    for (const auto& [id, expectedPath] : expected) {
        std::string path;
        EXPECT_EQ(shGetFolderPath(*wine, id | csidl::FLAG_DONT_VERIFY, path), err::SUCCESS) << "id " << id;
        EXPECT_EQ(path, expectedPath) << "id " << id;
    }
    // Wine makes these folders; the others appear when first used.
    for (int id : {csidl::APPDATA, csidl::INTERNET_CACHE, csidl::COOKIES, csidl::HISTORY, csidl::DESKTOPDIRECTORY}) {
        std::string path;
        EXPECT_EQ(shGetFolderPath(*wine, id, path), err::SUCCESS) << "id " << id << " " << path;
    }
}

TEST_F(RealWinePrefix, IdentityAndWinesOwnLibraryVersion)
{
    EXPECT_EQ(platformId(*wine), platform_id::WIN32_NT);
    const WindowsVersion v = windowsVersion(*wine);
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

    FileVersionInfo info;
    ASSERT_EQ(fileVersionInfo(*wine, systemDirectory(*wine) + "\\shdocvw.dll", info), err::SUCCESS);
    EXPECT_TRUE(info.hasFixed);
    EXPECT_EQ(info.fileVersionText, fixedVersionText(info));
    EXPECT_EQ(fixedVersionText(info).substr(0, 2), "6.");
}
