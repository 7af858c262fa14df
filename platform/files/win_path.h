#pragma once
// Windows names and paths as text, touching nothing: letter case as Windows
// compares names (ASCII letters only), 8.3 names, and the splitting of a
// path into its folder and its name.

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

// Folds ASCII letters to upper case, as names are compared; or to lower case.
std::string upperAscii(std::string_view text);
std::string lowerAscii(std::string_view text);
// Equality and prefix tests with ASCII letters compared in either case.
bool equalNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// True when `name` is a valid 8.3 name of ASCII characters (letter case
// aside), which then needs no separate short name.
bool isValidShortName(std::string_view name);

// The folder and the name of a path, split at its last backslash: "" is the
// folder of a bare name, and a drive's root gives "C:" ("C:\a" -> "C:", "a").
// Both views point into `path`.
std::string_view folderOf(std::string_view path);
std::string_view nameOf(std::string_view path);

// Splits and normalises an absolute Windows path ("C:\a\..\b", "c:/a/b"):
// returns the drive letter (upper case) and the components with "." and ".."
// applied (".." never climbs above the drive's root) and trailing dots and
// spaces of each name dropped, as Windows does; a "\\?\" prefix is accepted.
// INVALID_NAME for a path without a drive letter.
[[nodiscard]] DWORD splitWindowsPath(std::string_view winPath, char& drive, std::vector<std::string>& components);

} // namespace kp::win
