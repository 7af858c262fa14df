#pragma once
// Short (8.3) names as the machine's Wine gives them, for paths written into
// text that Wine's own programs read (a batch file its command interpreter
// runs). Wine keeps no short names on disk: for a name that is not a valid
// 8.3 name it makes one from the first four characters, "~" and three
// characters of a hash of the whole name ("Microsoft" -> "MICR~20J"), and
// finds a file by such a name. It knows nothing of the platform's own short
// names ("MICROS~1"), which only this program resolves.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

class FileSystem;

// Wine's short name of one long name (UTF-8); the name itself when it is a
// valid 8.3 name.
std::string wineShortName(std::string_view longName);

// GetShortPathName as Wine answers it: each component of the existing
// file's long path in Wine's short form. FILE_NOT_FOUND / PATH_NOT_FOUND
// when it does not exist.
[[nodiscard]] DWORD wineShortPathName(FileSystem& files, std::string_view path, std::string& out);

} // namespace kp::win
