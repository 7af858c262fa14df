#pragma once
// The privileges of the program's access token. Wine gives the processes of
// a session a token that holds every privilege Windows defines, so enabling
// one of them succeeds; a name Windows does not define is not found.

#include "platform/win32.h"

#include <string_view>

namespace kp::win {

// LookupPrivilegeValue on the local system: the privilege's LUID (its low
// part; the high part is 0). NO_SUCH_PRIVILEGE for an unknown name.
[[nodiscard]] DWORD lookupPrivilegeValue(std::string_view name, DWORD& luid);

// AdjustTokenPrivileges enabling the one privilege `luid` of the current
// process's token; the others stay as they are.
[[nodiscard]] DWORD enableTokenPrivilege(DWORD luid);

} // namespace kp::win
