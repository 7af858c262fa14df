#pragma once
// Replacing a whole file so that a crash leaves either the old or the new
// contents: written beside it under a temporary name, flushed, renamed over
// it, and the folder flushed. The new file keeps the old one's permission
// bits and DOS attributes; a link is kept and the file it names replaced.
// A file without its owner's write bit, or one this process may not write,
// is refused with ACCESS_DENIED.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

[[nodiscard]] DWORD replaceFileAtomically(const std::string& hostPath, std::string_view contents);

} // namespace kp::win
