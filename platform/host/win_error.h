#pragma once
// The one place where host errors become Win32 error codes.

#include "platform/win32.h"

namespace kp::win {

// The Win32 code for a host errno value (GEN_FAILURE for anything without a
// closer match).
DWORD errorFromErrno(int error);

} // namespace kp::win
