#pragma once
// SHGetFolderPath over the machine's registry. A user folder is the value
// named for it under HKCU Software\Microsoft\Windows\CurrentVersion\Explorer
// "User Shell Folders", else under "Shell Folders"; the all-users (common)
// folders are read the same way under HKLM. The text is expanded against the
// machine's environment and loses its trailing backslash (a drive root keeps
// it). The Windows, system, program-files and profile folders come from the
// system identity and the environment, as Windows computes them.
//
// Results:
//   SUCCESS             the folder exists;
//   PATH_NOT_FOUND      the registry names a folder that does not exist
//                       (`winPath` still receives it);
//   FILE_NOT_FOUND      the registry names no folder for the identifier;
//   INVALID_PARAMETER   the identifier is not one this service knows;
//   INVALID_FLAGS       CSIDL_FLAG_CREATE or other unsupported flags.
// CSIDL_FLAG_DONT_VERIFY skips the existence test.

#include "platform/win32.h"

#include <string>

namespace kp::win {

class Machine;

namespace csidl {
inline constexpr int DESKTOP = 0x0000;
inline constexpr int PROGRAMS = 0x0002;
inline constexpr int PERSONAL = 0x0005;
inline constexpr int FAVORITES = 0x0006;
inline constexpr int STARTUP = 0x0007;
inline constexpr int RECENT = 0x0008;
inline constexpr int SENDTO = 0x0009;
inline constexpr int STARTMENU = 0x000b;
inline constexpr int MYMUSIC = 0x000d;
inline constexpr int MYVIDEO = 0x000e;
inline constexpr int DESKTOPDIRECTORY = 0x0010;
inline constexpr int NETHOOD = 0x0013;
inline constexpr int FONTS = 0x0014;
inline constexpr int TEMPLATES = 0x0015;
inline constexpr int COMMON_STARTMENU = 0x0016;
inline constexpr int COMMON_PROGRAMS = 0x0017;
inline constexpr int COMMON_STARTUP = 0x0018;
inline constexpr int COMMON_DESKTOPDIRECTORY = 0x0019;
inline constexpr int APPDATA = 0x001a;
inline constexpr int PRINTHOOD = 0x001b;
inline constexpr int LOCAL_APPDATA = 0x001c;
inline constexpr int COMMON_FAVORITES = 0x001f;
inline constexpr int INTERNET_CACHE = 0x0020;
inline constexpr int COOKIES = 0x0021;
inline constexpr int HISTORY = 0x0022;
inline constexpr int COMMON_APPDATA = 0x0023;
inline constexpr int WINDOWS = 0x0024;
inline constexpr int SYSTEM = 0x0025;
inline constexpr int PROGRAM_FILES = 0x0026;
inline constexpr int MYPICTURES = 0x0027;
inline constexpr int PROFILE = 0x0028;
inline constexpr int PROGRAM_FILES_COMMON = 0x002b;
inline constexpr int COMMON_TEMPLATES = 0x002d;
inline constexpr int COMMON_DOCUMENTS = 0x002e;
inline constexpr int COMMON_ADMINTOOLS = 0x002f;
inline constexpr int ADMINTOOLS = 0x0030;
inline constexpr int COMMON_MUSIC = 0x0035;
inline constexpr int COMMON_PICTURES = 0x0036;
inline constexpr int COMMON_VIDEO = 0x0037;

inline constexpr int FLAG_DONT_VERIFY = 0x4000;
inline constexpr int FLAG_CREATE = 0x8000;
inline constexpr int FLAG_MASK = 0xff00;
} // namespace csidl

[[nodiscard]] DWORD shGetFolderPath(Machine& machine, int csidl, std::string& winPath);

// The older special-folder lookup (SHGetSpecialFolderLocation converted to a
// path): the same folder through the same keys, with the same results.
[[nodiscard]] DWORD shGetSpecialFolderPath(Machine& machine, int csidl, std::string& winPath);

} // namespace kp::win
