#pragma once
// The 19-character labels that open a plugin's result lines, and the names
// of registry data types in its value lines.

#include "platform/win32.h"

#include <string>

namespace kp::plugin_label {

inline constexpr const char* Deleted = "         deleted - ";
inline constexpr const char* ToDelete = "       to delete - ";
inline constexpr const char* FileNotFound = "  File Not Found - ";
inline constexpr const char* PathNotFound = "  Path Not Found - ";
inline constexpr const char* DirNotEmpty = "   Dir Not Empty - ";
inline constexpr const char* Locked = "          Locked - ";
inline constexpr const char* NotUpdated = "     Not updated - ";
inline constexpr const char* ValDeleted = "     Val deleted - ";
inline constexpr const char* ToDeleteVal = "   to delete Val - ";
inline constexpr const char* ValFails = "   del Val fails - ";
inline constexpr const char* KeyDeleted = "     Key deleted - ";
inline constexpr const char* ToDeleteKey = "   to delete Key - ";
inline constexpr const char* KeyFails = "   del Key fails - ";
inline constexpr const char* InvalidRoot = "    invalid Root - ";
inline constexpr const char* ToExecute = "      to execute - ";
inline constexpr const char* Executed = "        executed - ";
inline constexpr const char* ExecFailed = "     exec failed - ";

// The label of a file or folder deletion that ended with `code`.
std::string fileResultLabel(win::DWORD code);

// "Reg_Sz", "Reg_Dword", ...; "Unknown DataType" for other numbers.
std::string registryTypeName(win::DWORD type);

} // namespace kp::plugin_label
