#include "platform/system/exit_windows.h"

#include "platform/machine.h"
#include "platform/system/program_run.h"
#include "platform/system/system_info.h"
#include "platform/system/wine_session.h"

#include <chrono>
#include <string>
#include <thread>

namespace kp::win {

namespace {

// Ending the session waits for each program's answer (wineboot gives a
// window 5 s before it offers to end its program); starting it again waits
// for the start-up entries, which wineboot runs one after another.
constexpr int kEndSessionMilliseconds = 60000;
constexpr int kServerExitMilliseconds = 15000;
constexpr int kStartSessionMilliseconds = 300000;

bool waitForSessionEnd(const std::string& prefixDir)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServerExitMilliseconds);
    while (detectWineSession(prefixDir).running) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

DWORD endSession(Machine& machine, const std::string& wineboot, DWORD flags)
{
    std::string command = wineboot;
    if (!(flags & ewx::FORCE))
        command += " --end-session";
    if (flags & ewx::FORCEIFHUNG)
        command += " --force";
    command += " --kill --shutdown";
    ProgramRun run;
    if (const DWORD error = runProgram(machine, command, kEndSessionMilliseconds, run))
        return error;
    if (!run.ended)
        return err::TIMEOUT;
    // wineboot fails when a program refused to end the session, or its user
    // cancelled ending a program that did not answer.
    if (run.exitCode != 0)
        return err::CANCELLED;
    return waitForSessionEnd(machine.prefixDir()) ? err::SUCCESS : err::TIMEOUT;
}

} // namespace

DWORD exitWindows(Machine& machine, DWORD flags, DWORD)
{
    const std::string wineboot = systemDirectory(machine) + "\\wineboot.exe";
    if (detectWineSession(machine.prefixDir()).running)
        if (const DWORD error = endSession(machine, wineboot, flags))
            return error;
    if (!(flags & ewx::REBOOT))
        return err::SUCCESS;
    ProgramRun run;
    return runProgram(machine, wineboot, kStartSessionMilliseconds, run);
}

} // namespace kp::win
