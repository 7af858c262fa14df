#pragma once
// Whole text files and folders by Windows path: what the program's own data
// files (the log, the messages text) need. The text is written as given;
// callers supply the line ends.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

class Machine;

// Replaces the file with `text` atomically (written beside it, flushed to
// disk, then renamed over it). A symbolic link in the file's place is
// replaced, never followed.
[[nodiscard]] DWORD writeTextFile(Machine& machine, std::string_view winPath, std::string_view text);

// As writeTextFile, but a read-only file refuses the write (ACCESS_DENIED),
// as writing it on Windows does, and the new file keeps the old one's
// permission bits and DOS attributes.
[[nodiscard]] DWORD replaceTextFile(Machine& machine, std::string_view winPath, std::string_view text);

// Appends `text`, creating the file when it is missing. ACCESS_DENIED when
// the name is a symbolic link or a folder.
[[nodiscard]] DWORD appendTextFile(Machine& machine, std::string_view winPath, std::string_view text);

// Reads the whole file; FILE_NOT_FOUND when it is missing, NOT_ENOUGH_MEMORY
// when it is longer than `limit` bytes.
[[nodiscard]] DWORD readTextFile(Machine& machine, std::string_view winPath, std::string& out,
                                 std::size_t limit = 64u << 20);

} // namespace kp::win
