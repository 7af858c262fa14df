#pragma once
// Whether a path stays inside a folder on the host: it must name a place
// below the folder without passing through a symbolic link below it, so
// that a link there that leads elsewhere does not count as inside. The folder
// itself may be reached through links; the path's last name is not followed
// (a link there is a name in the folder).

#include "platform/win32.h"

#include <string_view>

namespace kp::win {

class Machine;

// `inside` is false when the parent folder does not exist. PATH_NOT_FOUND
// when `folder` does not exist, INVALID_NAME for a path that cannot be mapped.
[[nodiscard]] DWORD pathInsideFolder(Machine& machine, std::string_view folder, std::string_view path, bool& inside);

} // namespace kp::win
