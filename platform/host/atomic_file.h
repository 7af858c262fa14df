#pragma once
// Replacing a whole file so that a crash leaves either the old or the new
// contents: written beside it under a temporary name, flushed, renamed over
// it, and the folder flushed. The new file keeps the old one's permission
// bits and DOS attributes; a link is kept and the file it names replaced.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

[[nodiscard]] DWORD replaceFileAtomically(const std::string& hostPath, std::string_view contents);

} // namespace kp::win
