#pragma once
// CreateProcess and a wait for the program to end, for a command line of the
// machine: the program is a Windows path, the rest of the line after the
// first blank of its file name its arguments. A Windows program (a PE file,
// "MZ") runs under the prefix's Wine ($WINE, else "wine" or "wine64" on the
// search path, else Debian's /usr/lib/wine/wine64; no Wine is error 2); any
// other file runs directly as a host program. Both see WINEPREFIX naming the
// machine. The working folder is the program's folder.

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class Machine;

struct ProgramRun {
    bool started = false;
    bool ended = false;    // ended within the time limit
    int exitCode = -1;     // when it ended
};

// This process's environment with WINEPREFIX naming `machine`, as the
// programs it starts for the machine see it.
std::vector<std::string> machineEnvironment(const Machine& machine);

// Wine's loader: $WINE, else "wine" or "wine64" on $PATH, else where
// Debian's wine64 package keeps it; empty when there is none.
std::string wineLoader();

// FILE_NOT_FOUND / PATH_NOT_FOUND when the program is missing,
// ACCESS_DENIED when a host program may not be executed. A program still
// running when `waitMilliseconds` have passed is left running (its end is
// collected in the background) and the call returns SUCCESS with `ended`
// false.
[[nodiscard]] DWORD runProgram(Machine& machine, std::string_view commandLine, int waitMilliseconds, ProgramRun& out);

} // namespace kp::win
