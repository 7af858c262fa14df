#pragma once
// SHEmptyRecycleBin over a Wine prefix. The machine's Recycle Bin is two
// things: the RECYCLER, RECYCLED and $Recycle.Bin folders at the roots of its
// drives that lie inside the prefix or on a mounted Windows file system, and
// the items Wine's shell moved to the user's freedesktop.org trash from those
// drives' folders. The rest of the trash and any drive leading to the host's
// root are never touched; links are removed as links, never followed.

#include "platform/win32.h"

#include <string>
#include <vector>

namespace kp::win {

class Machine;

// The host folders of the drives the Recycle Bin covers.
std::vector<std::string> recycleBinDrives(Machine& machine);

// The trash folder of the user: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::string userTrashFolder();

// Empties both parts; `removed` counts the items that went. The first error
// met is returned, the rest still emptied.
[[nodiscard]] DWORD emptyRecycleBin(Machine& machine, long long& removed);

} // namespace kp::win
