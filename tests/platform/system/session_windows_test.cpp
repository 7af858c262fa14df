#include "platform/system/browser_windows.h"
#include "platform/system/session_windows.h"
#include "platform/system/wine_session.h"

#include "tests/support/real_wine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace kp::win;

namespace {

const SessionWindow* titled(const std::vector<SessionWindow>& windows, const std::string& title)
{
    const auto it = std::find_if(windows.begin(), windows.end(), [&](const SessionWindow& w) { return w.title == title; });
    return it == windows.end() ? nullptr : &*it;
}

} // namespace

TEST(SessionWindows, TakesOnlyWhatTheHelperPrintedWhole)
{
    const struct {
        const char* text;
        DWORD status;
        std::size_t windows;
    } cases[] = {
        {"W\t1004c\t0\t1\t#32770\tInternet Settings\nC\t10052\t1\tButton\tOK\nC\t10054\t2\tButton\t\nOK\n", err::SUCCESS, 1},
        {"W\t10\t0\t0\tIME\t\nW\t20\t10\t1\tStatic\tTab\there\nOK\n", err::INVALID_DATA, 0}, // a seventh field
        {"W\t1004c\t0\t1\t#32770\tInternet Settings\n", err::INVALID_DATA, 0}, // cut short
        {"C\t10052\t1\tButton\tOK\nOK\n", err::INVALID_DATA, 0},              // a child of nothing
        {"W\tzz\t0\t1\tA\tB\nOK\n", err::INVALID_DATA, 0},
        {"ERR\t1400\n", 1400, 0},
        {"OK\nW\t1\t0\t1\tA\tB\n", err::INVALID_DATA, 0}, // nothing after the status
        {"", err::INVALID_DATA, 0},
    };
    for (const auto& c : cases) {
        std::vector<SessionWindow> windows;
        const DWORD status = parseWindowListing(c.text, windows);
        EXPECT_EQ(status, c.status) << c.text;
        if (status == err::SUCCESS) {
            EXPECT_EQ(windows.size(), c.windows) << c.text;
        }
    }
    std::vector<SessionWindow> windows;
    ASSERT_EQ(parseWindowListing(cases[0].text, windows), err::SUCCESS);
    EXPECT_EQ(windows[0].handle, 0x1004cu);
    ASSERT_EQ(windows[0].children.size(), 2u);
    EXPECT_EQ(windows[0].children[1].controlId, 2);
    EXPECT_EQ(windows[0].children[1].title, "");
}

using SessionWindowsWine = kp::test::WineWindowsTest;

TEST_F(SessionWindowsWine, ListsTheSessionsWindowsPostsToThemAndHasNoneWithoutASession)
{
    SessionWindows windows(prefix, helperPath());
    std::vector<SessionWindow> listed;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(windows.list(listed), err::NOT_READY);
    EXPECT_EQ(windows.postCommand(0x10020, 1), err::NOT_READY);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500)) << "no Wine is started";
    EXPECT_FALSE(detectWineSession(prefix).running);

    ASSERT_TRUE(startWindowProbe("Klenzor Probe - Microsoft Internet Explorer", "IEFrame")) << probeOutput();
    ASSERT_EQ(windows.list(listed), err::SUCCESS);
    const SessionWindow* main = titled(listed, "Klenzor Probe - Microsoft Internet Explorer");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->className, "IEFrame");
    EXPECT_TRUE(main->visible);
    EXPECT_EQ(main->owner, 0u);
    ASSERT_EQ(main->children.size(), 1u);
    EXPECT_EQ(main->children[0].title, "Clear &History");
    EXPECT_EQ(main->children[0].controlId, 1234);
    EXPECT_EQ(main->children[0].className, "Button");
    const SessionWindow* owned = titled(listed, "Probe Owned");
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(owned->owner, main->handle);
    EXPECT_FALSE(owned->visible);

    MachineWindowList browsers(windows, prefix);
    const std::vector<TopLevelWindow> seen = browsers.topLevelWindows();
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const TopLevelWindow& w) {
        return w.className == "IEFrame" && w.visible && w.childTitles == std::vector<std::string> {"Clear &History"};
    })) << "the session's windows, not a window per browser process";

    const WindowHandle probe = main->handle;
    EXPECT_EQ(windows.bringToFront(probe), err::SUCCESS);
    EXPECT_EQ(windows.postCommand(probe, 1234), err::SUCCESS);
    EXPECT_EQ(windows.postCommand(probe, 2), err::SUCCESS);
    for (int i = 0; i < 100 && probeOutput().find("command 2\n") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(probeOutput(), "ready\ncommand 1234\ncommand 2\n");
    for (int i = 0; i < 100 && titled(listed, "Probe Owned"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(windows.list(listed), err::SUCCESS);
    }
    EXPECT_EQ(titled(listed, "Probe Owned"), nullptr) << "the probe ended with its windows";
    EXPECT_EQ(windows.postCommand(probe, 1234), 1400u) << "the window is gone (ERROR_INVALID_WINDOW_HANDLE)";

    bool running = true;
    for (int i = 0; i < 300 && running; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        running = detectWineSession(prefix).running;
    }
    EXPECT_FALSE(running) << "an idle helper does not keep the session alive";
    EXPECT_EQ(windows.list(listed), err::NOT_READY);
}
