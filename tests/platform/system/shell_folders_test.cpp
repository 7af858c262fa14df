#include "platform/system/shell_folders.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "tests/support/built_machine.h"
#include "tests/support/real_wine_machine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kp::win;
using kp::test::BuiltMachine;

namespace {

constexpr const char* kUserFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct Expected {
    int id;
    std::string path;
};

std::string folder(Machine& machine, int id, DWORD* code = nullptr)
{
    std::string path;
    DWORD e = shGetFolderPath(machine, id, path);
    if (code)
        *code = e;
    return e ? "<" + std::to_string(e) + ">" + path : path;
}

} // namespace

TEST(ShellFolders, EveryFolderOfTheXpMachine)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    const std::string p = "C:\\Documents and Settings\\Owner";
    const std::string all = "C:\\Documents and Settings\\All Users";
    const Expected expected[] = {
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
    for (const Expected& e : expected) {
        EXPECT_EQ(folder(built.machine(), e.id), e.path) << "id " << e.id;
        std::string older;
        EXPECT_EQ(shGetSpecialFolderPath(built.machine(), e.id, older), err::SUCCESS);
        EXPECT_EQ(older, e.path) << "id " << e.id;
    }
}

TEST(ShellFolders, UserShellFoldersComeFirstThenShellFolders)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    Registry& reg = m.registry();
    RegKey user, shell;
    ASSERT_EQ(reg.openKey(RegRoot::CurrentUser, kUserFolders, true, user), err::SUCCESS);
    ASSERT_EQ(reg.openKey(RegRoot::CurrentUser, kShellFolders, true, shell), err::SUCCESS);

    // Only Shell Folders names it: that text is used, its trailing backslash dropped.
    ASSERT_EQ(reg.deleteValue(user, "Cookies"), err::SUCCESS);
    ASSERT_EQ(reg.setString(shell, "Cookies", "C:\\Documents and Settings\\Owner\\Desktop\\"), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::COOKIES), "C:\\Documents and Settings\\Owner\\Desktop");

    // Both name it: User Shell Folders wins and is expanded.
    ASSERT_EQ(reg.setString(user, "Cookies", "%ALLUSERSPROFILE%\\Desktop", regtype::EXPAND_SZ), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::COOKIES), "C:\\Documents and Settings\\All Users\\Desktop");

    // Neither names it.
    ASSERT_EQ(reg.deleteValue(user, "Cookies"), err::SUCCESS);
    ASSERT_EQ(reg.deleteValue(shell, "Cookies"), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::COOKIES), "<2>");

    // A drive root keeps its backslash.
    ASSERT_EQ(reg.setString(user, "Recent", "C:\\"), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::RECENT), "C:\\");
}

TEST(ShellFolders, MissingFoldersAndBadIdentifiers)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    RegKey user;
    ASSERT_EQ(m.registry().openKey(RegRoot::CurrentUser, kUserFolders, true, user), err::SUCCESS);
    ASSERT_EQ(m.registry().setString(user, "Favorites", "%USERPROFILE%\\Gone", regtype::EXPAND_SZ), err::SUCCESS);

    EXPECT_EQ(folder(m, csidl::FAVORITES), "<3>C:\\Documents and Settings\\Owner\\Gone")
        << "a named folder that does not exist still reports its path";
    EXPECT_EQ(folder(m, csidl::FAVORITES | csidl::FLAG_DONT_VERIFY), "C:\\Documents and Settings\\Owner\\Gone");
    EXPECT_EQ(folder(m, csidl::FAVORITES | csidl::FLAG_CREATE), "<1004>");
    EXPECT_EQ(folder(m, 0x7b), "<87>");
    EXPECT_EQ(folder(m, -1), "<1004>");

    // A value whose variable the machine does not define stays unexpanded and is not found.
    ASSERT_EQ(m.registry().setString(user, "Favorites", "%NOPE%\\Favs", regtype::EXPAND_SZ), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::FAVORITES), "<3>%NOPE%\\Favs");
}

TEST(ShellFolders, FoldersFollowTheProcessEnvironment)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    ASSERT_EQ(m.environment().set("USERPROFILE", "C:\\Documents and Settings\\All Users"), err::SUCCESS);
    EXPECT_EQ(folder(m, csidl::DESKTOPDIRECTORY), "C:\\Documents and Settings\\All Users\\Desktop");
}

TEST(ShellFolders, NinetyEightMachineKeepsPlainPaths)
{
    kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.layout = kp::sample::MachineLayout::Windows98;
    BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    const std::string p = "C:\\WINDOWS\\Profiles\\Owner";
    EXPECT_EQ(folder(m, csidl::INTERNET_CACHE), p + "\\Temporary Internet Files");
    EXPECT_EQ(folder(m, csidl::COOKIES), p + "\\Cookies");
    EXPECT_EQ(folder(m, csidl::HISTORY), p + "\\History");
    EXPECT_EQ(folder(m, csidl::RECENT), p + "\\Recent");
    EXPECT_EQ(folder(m, csidl::COMMON_DESKTOPDIRECTORY), "C:\\WINDOWS\\All Users\\Desktop");
    EXPECT_EQ(folder(m, csidl::PROFILE), "<2>") << "the 9x family has no USERPROFILE";

    // The environment comes from the machine's AUTOEXEC settings.
    std::string temp;
    ASSERT_EQ(m.environment().tempPath(temp), err::SUCCESS);
    EXPECT_EQ(temp, "C:\\WINDOWS\\TEMP\\");
}

TEST(ShellFolders, RealWinePrefixUsesTheWindows10Layout)
{
    Machine* wine = kp::test::realWineMachine();
    if (!wine)
        GTEST_SKIP() << kp::test::realWineMachineError();
    std::string profile;
    ASSERT_EQ(wine->environment().get("USERPROFILE", profile), err::SUCCESS);
    ASSERT_TRUE(profile.starts_with("C:\\users\\")) << profile;
    const std::string roaming = profile + "\\AppData\\Roaming";
    const std::string local = profile + "\\AppData\\Local";
    const Expected expected[] = {
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
    for (const Expected& e : expected) {
        std::string path;
        DWORD code = shGetFolderPath(*wine, e.id | csidl::FLAG_DONT_VERIFY, path);
        EXPECT_EQ(code, err::SUCCESS) << "id " << e.id;
        EXPECT_EQ(path, e.path) << "id " << e.id;
    }
    // Wine makes these folders; the others appear when first used.
    for (int id : {csidl::APPDATA, csidl::INTERNET_CACHE, csidl::COOKIES, csidl::HISTORY, csidl::DESKTOPDIRECTORY}) {
        std::string path;
        EXPECT_EQ(shGetFolderPath(*wine, id, path), err::SUCCESS) << "id " << id << " " << path;
    }
}
