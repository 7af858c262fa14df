#pragma once
// The export table of a PE image (an .exe or .dll): whether it exports a
// function by name, as GetProcAddress would find it. Every offset and
// length is checked against the bytes that hold it.

#include "platform/win32.h"

#include <string_view>

namespace kp::win {

class Machine;

// From the bytes of an image: BAD_FORMAT when it is not a PE image,
// INVALID_DATA when its export table is damaged. An image without an
// export table exports nothing.
[[nodiscard]] DWORD imageExports(std::string_view image, std::string_view function, bool& exported);

// From a file of the machine (images above 64 MB are refused).
[[nodiscard]] DWORD fileExports(Machine& machine, std::string_view winPath, std::string_view function,
                                bool& exported);

} // namespace kp::win
