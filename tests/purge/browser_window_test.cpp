// Browser windows: which top-level windows count as an Internet Explorer or
// MSN Explorer window, and the platform's list made from the browser
// processes of one prefix.

#include "platform/registry/registry.h"
#include "platform/system/browser_windows.h"
#include "purge/browser_window.h"
#include "tests/support/listed_windows.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;
using kp::win::TopLevelWindow;

namespace {

bool finds(std::vector<TopLevelWindow> windows, BrowserKind kind, bool visible, const std::string& customTitle = {})
{
    test::ListedWindows list;
    list.windows = std::move(windows);
    return BrowserWindows(list, customTitle).FindBrowserWindow(kind, visible);
}

void writeProc(const std::string& dir, const std::string& name, const std::string& content)
{
    std::filesystem::create_directories(dir);
    kp::test::writeFile(dir + "/" + name, content);
}

} // namespace

TEST(FindBrowserWindow, KnowsInternetExplorerAndMsnExplorerWindows)
{
    EXPECT_TRUE(finds({{"IEFrame", "Home", true, {}}}, BrowserKind::IE, true));
    EXPECT_TRUE(finds({{"ieframe", "", true, {}}}, BrowserKind::IE, true));
    EXPECT_FALSE(finds({{"IEFrame", "Home", true, {}}}, BrowserKind::IE, false)) << "a visible window is not hidden";
    EXPECT_TRUE(finds({{"IEFrame", "Home", false, {}}}, BrowserKind::IE, false));

    EXPECT_TRUE(finds({{"CabinetWClass", "Google - Microsoft Internet Explorer", true, {}}}, BrowserKind::IE, true));
    EXPECT_FALSE(finds({{"CabinetWClass", "My Computer", true, {}}}, BrowserKind::IE, true));
    EXPECT_FALSE(finds({{"Notepad", "x - Microsoft Internet Explorer", true, {}}}, BrowserKind::IE, true));
    EXPECT_TRUE(finds({{"CabinetWClass", "News - Privacy Browser", true, {}}}, BrowserKind::IE, true, "privacy browser"));
    EXPECT_FALSE(finds({{"CabinetWClass", "My Computer", true, {}}}, BrowserKind::IE, true, ""))
        << "an empty custom title matches nothing";

    EXPECT_TRUE(finds({{"MSN6 Window", "MSN", true, {"Toolbar", "browser"}}}, BrowserKind::MSN, true));
    EXPECT_TRUE(finds({{"msn9 window", "MSN", false, {"Browser"}}}, BrowserKind::MSN, false));
    EXPECT_FALSE(finds({{"MSN6 Window", "MSN", true, {"Toolbar"}}}, BrowserKind::MSN, true));
    EXPECT_FALSE(finds({{"MSN6 Window", "MSN", true, {"Browser"}}}, BrowserKind::IE, true));
}

TEST(FindBrowserWindow, ReadsTheCustomTitleFromTheRegistry)
{
    kp::test::TempMachine tm;
    win::Registry& registry = tm.machine().registry();
    EXPECT_EQ(ReadBrowserWindowTitle(registry), "");
    win::RegKey key;
    ASSERT_EQ(registry.createKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", key), 0u);
    ASSERT_EQ(registry.setString(key, "Window Title", "Privacy Browser"), 0u);
    EXPECT_EQ(ReadBrowserWindowTitle(registry), "Privacy Browser");
}

TEST(ProcessWindowList, ListsTheBrowserProcessesOfThisPrefixOnly)
{
    kp::test::TempDir root;
    const std::string prefix = root.file("prefix");
    const std::string other = root.file("other");
    const std::string home = root.file("home");
    std::filesystem::create_directories(prefix);
    std::filesystem::create_directories(other);
    std::filesystem::create_directories(home);
    std::filesystem::create_directory_symlink(prefix, home + "/.wine");
    const std::string proc = root.file("proc");
    using namespace std::string_literals;

    writeProc(proc + "/100", "cmdline", "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\0about:blank\0"s);
    writeProc(proc + "/100", "environ", "PATH=/usr/bin\0WINEPREFIX="s + prefix + "\0"s);
    writeProc(proc + "/101", "cmdline", "C:\\Program Files\\Internet Explorer\\iexplore.exe\0"s);
    writeProc(proc + "/101", "environ", "WINEPREFIX="s + other + "\0"s);
    writeProc(proc + "/102", "comm", "msn6.exe\n");
    writeProc(proc + "/102", "environ", "HOME="s + home + "\0"s);
    writeProc(proc + "/103", "cmdline", "/usr/bin/notepad.exe\0"s);
    writeProc(proc + "/103", "environ", "WINEPREFIX="s + prefix + "\0"s);
    writeProc(proc + "/self", "cmdline", "iexplore.exe\0"s);

    win::ProcessWindowList list(prefix, proc);
    std::vector<TopLevelWindow> windows = list.topLevelWindows();
    std::sort(windows.begin(), windows.end(),
              [](const TopLevelWindow& a, const TopLevelWindow& b) { return a.className < b.className; });
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].className, "IEFrame");
    EXPECT_EQ(windows[1].className, "MSN6 Window");

    BrowserWindows browsers(list, "");
    EXPECT_TRUE(browsers.FindBrowserWindow(BrowserKind::IE, true));
    EXPECT_TRUE(browsers.FindBrowserWindow(BrowserKind::MSN, true));
    EXPECT_FALSE(browsers.FindBrowserWindow(BrowserKind::IE, false));

    EXPECT_TRUE(win::ProcessWindowList(other, proc).topLevelWindows().size() == 1);
    EXPECT_TRUE(win::ProcessWindowList(prefix, root.file("no-proc")).topLevelWindows().empty());
}
