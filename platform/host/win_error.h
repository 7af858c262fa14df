#pragma once
// The one place where host errors become Win32 error codes.

#include "platform/win32.h"

#include <initializer_list>

namespace kp::win {

// The Win32 code for a host errno value (GEN_FAILURE for anything without a
// closer match; SUCCESS for 0).
[[nodiscard]] DWORD errorFromErrno(int error);

// A code that one Win32 call documents for a host error in place of the
// general one.
struct ErrnoCode {
    int error;
    DWORD code;
};

// errorFromErrno, with the call's own codes taking precedence.
[[nodiscard]] DWORD errorFromErrno(int error, std::initializer_list<ErrnoCode> callCodes);

} // namespace kp::win
