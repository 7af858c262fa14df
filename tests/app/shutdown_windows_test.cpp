// The end of a SHUT run: the shutdown type of the settings chooses the exit
// request, and on a real Wine prefix the run purges and then ends the
// prefix's Wine session (a reboot starts it again, which runs RunOnce).

#include "app/app_state.h"
#include "app/shutdown_windows.h"
#include "app/windowless_run.h"
#include "core/keywords.h"
#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/profile/profile.h"
#include "platform/system/exit_windows.h"
#include "platform/system/program_run.h"
#include "platform/system/shell_folders.h"
#include "platform/system/wine_session.h"
#include "tests/support/built_machine.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/recording_messages.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace kp;

TEST(ShutdownWindows, TheShutdownTypeChoosesTheExitRequest)
{
    const std::pair<int, win::DWORD> cases[] = {
        {0, win::ewx::LOGOFF}, {1, win::ewx::REBOOT}, {2, win::ewx::SHUTDOWN},
        {3, win::ewx::POWEROFF}, {7, win::ewx::LOGOFF}, {-1, win::ewx::LOGOFF},
    };
    for (const auto& [type, flag] : cases)
        EXPECT_EQ(ShutdownExitFlag(type), flag) << type;
    EXPECT_TRUE(EnableShutdownPrivilege());
}

namespace {

bool waitForSession(const std::string& prefix, bool running)
{
    for (int i = 0; i < 300; ++i) {
        if (win::detectWineSession(prefix).running == running)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The settings of a user whose SHUT runs purge the recent documents and
// then end the session the way `shutType` says.
void writeShutSettings(const std::string& prefix, int shutType)
{
    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    std::string appData;
    ASSERT_EQ(win::shGetFolderPath(*machine, 26, appData), win::err::SUCCESS);
    const win::DWORD made = win::FileSystem(*machine).createDirectory(appData + "\\Klenzor");
    ASSERT_TRUE(made == win::err::SUCCESS || made == win::err::ALREADY_EXISTS);
    win::Profile profile(*machine);
    const std::string settings = appData + "\\Klenzor\\KlenPro.Ini";
    ASSERT_EQ(profile.writeString("ShutOption", "ShutType", std::to_string(shutType), settings), win::err::SUCCESS);
    ASSERT_EQ(profile.writeString("ShutOptions", "Recent", "1", settings), win::err::SUCCESS);
}

struct ShutRun {
    int status = -1;
    std::string report, errors;
};

ShutRun runShut()
{
    ShutRun r;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    r.status = RunWindowless(Keywords({"SHUT"}));
    r.report = testing::internal::GetCapturedStdout();
    r.errors = testing::internal::GetCapturedStderr();
    return r;
}

// A process that has not ended (a zombie has).
bool processRuns(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

// WINEPREFIX naming the machine while it lives, as the program reads it.
struct PrefixVariable {
    explicit PrefixVariable(const std::string& prefix) { ::setenv("WINEPREFIX", prefix.c_str(), 1); }
    ~PrefixVariable() { ::unsetenv("WINEPREFIX"); }
};

} // namespace

using ShutRunWine = test::UrlCacheProbeTest;

TEST_F(ShutRunWine, ASHUTRunPurgesAndThenEndsTheRunningSessionForEachShutdownType)
{
    std::filesystem::copy_file(probePath(), prefix + "/drive_c/probe.exe");
    const std::string marker = prefix + "/drive_c/rebooted.txt";
    PrefixVariable variable(prefix);
    for (int shutType : {0, 1, 2, 3}) {
        SCOPED_TRACE(shutType);
        writeShutSettings(prefix, shutType);
        {
            std::unique_ptr<win::Machine> machine;
            ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
            // A program without a window keeps the session running.
            win::ProgramRun run;
            ASSERT_EQ(win::runProgram(*machine, "C:\\probe.exe wait 300", 0, run), win::err::SUCCESS);
        }
        ASSERT_TRUE(waitForSession(prefix, true));
        const long server = win::detectWineSession(prefix).serverPid;
        if (shutType == 1) {
            // Written in the running session, which keeps the registry.
            std::string out;
            ASSERT_EQ(test::runWine(prefix, {"reg", "add", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                                             "/v", "probe", "/d", "cmd /c echo rebooted> C:\\rebooted.txt", "/f"}, out),
                      0);
        }

        const ShutRun r = runShut();
        EXPECT_EQ(r.status, 0) << r.report;
        EXPECT_TRUE(r.report.ends_with("\n  Purge Functions Completed.\n")) << r.report;
        // Only Wine's own diagnostics of the restarted session, no message.
        EXPECT_EQ(r.errors.find("Klenzor"), std::string::npos) << r.errors;
        EXPECT_FALSE(processRuns(server)) << "the session's wineserver is gone";
        EXPECT_EQ(std::filesystem::exists(marker), shutType == 1) << "only the reboot ran RunOnce";
        ASSERT_TRUE(waitForSession(prefix, false));
        std::filesystem::remove(marker);
    }
}

TEST(ShutdownWindows, ASHUTRunOnTheSampleMachineWithoutASessionEndsWithThePurgesErrorLevel)
{
    test::BuiltMachine built;
    writeShutSettings(built.prefixDir(), 2);
    PrefixVariable variable(built.prefixDir());
    const ShutRun r = runShut();
    EXPECT_EQ(r.status, 0) << r.report;
    EXPECT_TRUE(r.report.ends_with("\n  Purge Functions Completed.\n")) << r.report;
    EXPECT_EQ(r.errors, "");
}

TEST(ShutdownWindows, ARefusedRequestShowsTheSystemErrorAndSetsErrorFlag)
{
    // A reboot starts the session again, which the sample machine, not
    // made by Wine, cannot: it has no wineboot.
    test::BuiltMachine built;
    writeShutSettings(built.prefixDir(), 1);
    test::RecordingMessages messages;
    AppState state(Keywords({"SHUT"}), messages, &built.machine());
    std::string appData;
    ASSERT_EQ(win::shGetFolderPath(built.machine(), 26, appData), win::err::SUCCESS);
    state.folders.dataFolder = appData + "\\Klenzor";
    ShutdownWindows(state);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor Pro  -  Message");
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(messages.shown[0].text,
              "The shutdown function encountered a \r\n\r\nSystem Error attempting to shutdown Windows.\r\n\r\n"
              "The Error Code is Error-2\r\n\r\nPress \"OK\" to exit to Windows");
    EXPECT_TRUE(state.errors.ErrorFlag);
}
