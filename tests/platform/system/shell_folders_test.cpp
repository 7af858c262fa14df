#include "platform/system/shell_folders.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "tests/support/machine_tests.h"

#include <gtest/gtest.h>

using namespace kp::win;

namespace {

constexpr const char* kUserFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class ShellFolders : public kp::test::OnBuiltMachine {
protected:
    // The folder's path, after "<error>" when SHGetFolderPath fails.
    std::string folder(int id)
    {
        std::string path;
        const DWORD e = shGetFolderPath(machine(), id, path);
        return e ? "<" + std::to_string(e) + ">" + path : path;
    }

    RegKey userKey(const char* name)
    {
        RegKey key;
        EXPECT_EQ(machine().registry().openKey(RegRoot::CurrentUser, name, true, key), err::SUCCESS) << name;
        return key;
    }
};

} // namespace

TEST_F(ShellFolders, EveryFolderOfTheXpMachineFollowingTheProcessEnvironment)
{
    const std::string p = "C:\\Documents and Settings\\Owner";
    const std::string all = "C:\\Documents and Settings\\All Users";
    const std::pair<int, std::string> expected[] = {
        {csidl::PERSONAL, p + "\\My Documents"},
        {csidl::RECENT, p + "\\Recent"},
        {csidl::DESKTOPDIRECTORY, p + "\\Desktop"},
        {csidl::DESKTOP, p + "\\Desktop"},
        {csidl::COMMON_DESKTOPDIRECTORY, all + "\\Desktop"},
        {csidl::APPDATA, p + "\\Application Data"},
        {csidl::INTERNET_CACHE, p + "\\Local Settings\\Temporary Internet Files"},
        {csidl::COOKIES, p + "\\Cookies"},
        {csidl::HISTORY, p + "\\Local Settings\\History"},
        {csidl::MYPICTURES, p + "\\My Documents\\My Pictures"},
        {csidl::PROGRAMS, p + "\\Start Menu\\Programs"},
        {csidl::STARTUP, p + "\\Start Menu\\Programs\\Startup"},
        {csidl::SENDTO, p + "\\SendTo"},
        {csidl::STARTMENU, p + "\\Start Menu"},
        {csidl::LOCAL_APPDATA, p + "\\Local Settings\\Application Data"},
        {csidl::COMMON_STARTUP, all + "\\Start Menu\\Programs\\Startup"},
        {csidl::COMMON_APPDATA, all + "\\Application Data"},
        {csidl::WINDOWS, "C:\\WINDOWS"},
        {csidl::SYSTEM, "C:\\WINDOWS\\system32"},
        {csidl::PROGRAM_FILES, "C:\\Program Files"},
        {csidl::PROFILE, p},
    };
    for (const auto& [id, path] : expected) {
        EXPECT_EQ(folder(id), path) << "id " << id;
        std::string older;
        EXPECT_EQ(shGetSpecialFolderPath(machine(), id, older), err::SUCCESS);
        EXPECT_EQ(older, path) << "id " << id;
    }
    ASSERT_EQ(machine().environment().set("USERPROFILE", all), err::SUCCESS);
    EXPECT_EQ(folder(csidl::DESKTOPDIRECTORY), all + "\\Desktop");
}

TEST_F(ShellFolders, UserShellFoldersComeFirstThenShellFolders)
{
    Registry& reg = machine().registry();
    const RegKey user = userKey(kUserFolders), shell = userKey(kShellFolders);
    // Only Shell Folders names it: that text is used, its trailing backslash dropped.
    ASSERT_EQ(reg.deleteValue(user, "Cookies"), err::SUCCESS);
    ASSERT_EQ(reg.setString(shell, "Cookies", "C:\\Documents and Settings\\Owner\\Desktop\\"), err::SUCCESS);
    EXPECT_EQ(folder(csidl::COOKIES), "C:\\Documents and Settings\\Owner\\Desktop");
    // Both name it: User Shell Folders wins and is expanded.
    ASSERT_EQ(reg.setString(user, "Cookies", "%ALLUSERSPROFILE%\\Desktop", regtype::EXPAND_SZ), err::SUCCESS);
    EXPECT_EQ(folder(csidl::COOKIES), "C:\\Documents and Settings\\All Users\\Desktop");
    // Neither names it.
    ASSERT_EQ(reg.deleteValue(user, "Cookies"), err::SUCCESS);
    ASSERT_EQ(reg.deleteValue(shell, "Cookies"), err::SUCCESS);
    EXPECT_EQ(folder(csidl::COOKIES), "<2>");
    // A drive root keeps its backslash.
    ASSERT_EQ(reg.setString(user, "Recent", "C:\\"), err::SUCCESS);
    EXPECT_EQ(folder(csidl::RECENT), "C:\\");
}

TEST_F(ShellFolders, MissingFoldersAndBadIdentifiers)
{
    const RegKey user = userKey(kUserFolders);
    ASSERT_EQ(machine().registry().setString(user, "Favorites", "%USERPROFILE%\\Gone", regtype::EXPAND_SZ),
        err::SUCCESS);
    EXPECT_EQ(folder(csidl::FAVORITES), "<3>C:\\Documents and Settings\\Owner\\Gone")
        << "a named folder that does not exist still reports its path";
    EXPECT_EQ(folder(csidl::FAVORITES | csidl::FLAG_DONT_VERIFY), "C:\\Documents and Settings\\Owner\\Gone");
    EXPECT_EQ(folder(csidl::FAVORITES | csidl::FLAG_CREATE), "<1004>");
    EXPECT_EQ(folder(0x7b), "<87>");
    EXPECT_EQ(folder(-1), "<1004>");
    // A value whose variable the machine does not define stays unexpanded and is not found.
    ASSERT_EQ(machine().registry().setString(user, "Favorites", "%NOPE%\\Favs", regtype::EXPAND_SZ), err::SUCCESS);
    EXPECT_EQ(folder(csidl::FAVORITES), "<3>%NOPE%\\Favs");
}
