#pragma once
// The running program's own file and folder, as the Windows machine sees it (through
// the drive that holds it, Z: for the host's root). Symlinks are resolved, so a
// start through bin/klenpro gives the installed program's folder.

#include "platform/win32.h"

#include <string>

namespace kp::win {

class Machine;

[[nodiscard]] DWORD executablePath(Machine& machine, std::string& winPath);
[[nodiscard]] DWORD executableFolder(Machine& machine, std::string& winFolder);

} // namespace kp::win
