#pragma once
// Text files as lines: CR LF, a lone CR or a lone LF ends a line when
// reading; lines are written back with CR LF, replacing the file atomically.

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp::win {
class Machine;
}

namespace kp {

std::vector<std::string> splitTextLines(std::string_view text);

win::DWORD readTextLines(win::Machine& machine, const std::string& path, std::vector<std::string>& lines);

// Written beside the file, flushed and renamed over it, keeping its
// attributes; a read-only file is refused (ACCESS_DENIED).
win::DWORD writeTextLines(win::Machine& machine, const std::string& path, const std::vector<std::string>& lines);

} // namespace kp
