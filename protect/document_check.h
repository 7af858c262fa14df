#pragma once
// View opens a cached file with the desktop's handler for its type. A file
// from the web that is a program, a script or a link would then run; only
// documents are opened.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp {

namespace win {
class Machine;
}

// False for executables, scripts, installers, links and desktop entries, by
// the name's extension or by the file's first bytes ("MZ", ELF, "#!").
bool IsViewableDocument(std::string_view fileName, std::string_view firstBytes);

inline constexpr const char* kNotADocumentText =
    "The selected entry is a program or a script, not a document.\r\nIt was not opened.";

// Up to `size` bytes from the start of the file at the Windows path.
win::DWORD ReadFileBeginning(win::Machine& machine, std::string_view winPath, std::size_t size, std::string& out);

} // namespace kp
