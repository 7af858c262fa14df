#pragma once
// The running program's own file and folder, as the Windows machine sees it (through
// the drive that holds it, Z: for the host's root).

#include "platform/win32.h"

#include <string>

namespace kp::win {

class Machine;

DWORD executablePath(Machine& machine, std::string& winPath);
DWORD executableFolder(Machine& machine, std::string& winFolder);

} // namespace kp::win
