#pragma once
// ExitWindowsEx for a machine that is a Wine prefix: its Wine session is
// what logs off, shuts down or reboots, never the host. Wine's own
// ExitWindowsEx hands the request to wineboot; so does this, from outside
// the session: "wineboot --end-session --kill --shutdown" asks every window
// to end the session (WM_QUERYENDSESSION, WM_ENDSESSION), then ends the
// processes that remain, the desktop last, after which the wineserver exits.
// A reboot then starts the session again with a plain "wineboot", which runs
// the machine's start-up entries (RunServicesOnce, RunOnce, Run, the Startup
// folder) as Windows does at boot and log-on.

#include "platform/win32.h"

namespace kp::win {

class Machine;

namespace ewx {
inline constexpr DWORD LOGOFF = 0x00;
inline constexpr DWORD SHUTDOWN = 0x01;
inline constexpr DWORD REBOOT = 0x02;
inline constexpr DWORD FORCE = 0x04;
inline constexpr DWORD POWEROFF = 0x08;
inline constexpr DWORD FORCEIFHUNG = 0x10;
} // namespace ewx

// Waits for the session to end (and, for a reboot, for the start-up entries
// to have run). A machine whose session is not running has nothing to end:
// SUCCESS, and a reboot only starts it. CANCELLED when a program of the
// session refused to end it, TIMEOUT when the session did not end in time,
// FILE_NOT_FOUND when the machine has no wineboot or there is no Wine.
[[nodiscard]] DWORD exitWindows(Machine& machine, DWORD flags, DWORD reason);

} // namespace kp::win
