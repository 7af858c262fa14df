#pragma once
// The machine whose own service manager started this program. Wine's
// services.exe starts an automatic service at each session start of its
// prefix, a host program through a plain fork and exec: the program gets
// the machine's Windows environment (no WINEPREFIX) and runs in the Unix
// folder of services.exe's current folder, the machine's C:\windows.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

// The prefix folder a service program serves: WINEPREFIX's when it is set
// (how the platform's own `net start` names it); else the machine that
// holds the current folder, whose Wine session runs and which registers
// this very program as service `name`, never ~/.wine by default.
// PATH_NOT_FOUND when the current folder lies in no prefix,
// SERVICE_NOT_ACTIVE (1062) when that machine's session does not run,
// SERVICE_DOES_NOT_EXIST when it registers another program (or none).
[[nodiscard]] DWORD servedMachineDir(std::string_view name, std::string& prefixDir);

} // namespace kp::win
