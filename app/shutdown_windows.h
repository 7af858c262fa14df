#pragma once
// The last step of a SHUT run: logging off, rebooting, shutting down or
// powering off the machine as the configuration chose, when the main window
// closes.

#include "platform/win32.h"

namespace kp {

struct AppState;

// The exit request for a shutdown type of the settings ("ShutType"):
// 0 log off, 1 reboot, 2 shut down, 3 power off, anything else log off.
win::DWORD ShutdownExitFlag(int shutType);

// Enables the shutdown privilege in the program's token; false when it
// cannot be looked up or enabled.
bool EnableShutdownPrivilege();

// Reads the shutdown type from the settings file and asks Windows to exit;
// a refusal with an error code shows the shutdown error box and sets
// ErrorFlag.
void ShutdownWindows(AppState& state);

} // namespace kp
