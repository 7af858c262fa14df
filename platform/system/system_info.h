#pragma once
// Who and what the machine is, read from its registry as Wine and Windows
// keep it: the user, the computer, the Windows version and family, and the
// user's profile entry.

#include "platform/win32.h"

#include <string>

namespace kp::win {

class Machine;

namespace platform_id {
inline constexpr DWORD WIN32_WINDOWS = 1; // Windows 95, 98, ME
inline constexpr DWORD WIN32_NT = 2;      // NT 4.0, 2000, XP and later
} // namespace platform_id

struct WindowsVersion {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    DWORD platformId = platform_id::WIN32_NT;
    std::string csdVersion; // "Service Pack 2"; on the 9x family the sub-version letter (" A ")
};

// GetVersionEx, decided as Wine decides it: a `Version` value under
// Software\Wine (HKCU, then HKLM) names the version ("winxp", "win98", ...);
// otherwise HKLM\Software\Microsoft\Windows NT\CurrentVersion describes an NT
// machine (CurrentVersion "5.1", CurrentBuildNumber, CSDVersion); otherwise
// a VersionNumber "4.x.y" under HKLM\Software\Microsoft\Windows\CurrentVersion
// describes a 9x machine; otherwise Wine's default, Windows 7 SP1.
WindowsVersion windowsVersion(Machine& machine);
DWORD platformId(Machine& machine);

// GetUserName: HKCU\Volatile Environment USERNAME (Wine writes it at every
// start), else the Explorer key's "Logon User Name", else HKLM\Network\Logon
// "username" (the 9x family), else the last component of the user's
// ProfileImagePath, else the host's $USER.
// FILE_NOT_FOUND when none of them gives a name.
[[nodiscard]] DWORD userName(Machine& machine, std::string& name);

// GetComputerName: ComputerName under Control\ComputerName\ActiveComputerName,
// else under Control\ComputerName\ComputerName (the copy Wine saves).
// FILE_NOT_FOUND when the machine names no computer.
[[nodiscard]] DWORD computerName(Machine& machine, std::string& name);

// The user's SID, as the prefix's user.reg names it.
std::string userSid(Machine& machine);

// The user's profile entry: HKLM\Software\Microsoft\Windows NT\CurrentVersion
// \ProfileList\<SID> and its ProfileImagePath, unexpanded as stored.
std::string profileListKey(const std::string& sid);
[[nodiscard]] DWORD profileImagePath(Machine& machine, std::string& path);

// GetWindowsDirectory / GetSystemDirectory: the SystemRoot value of the
// version key (NT, then 9x), else "C:\windows"; no trailing backslash. The
// system folder is "system32" on the NT family and "SYSTEM" on the 9x family.
std::string windowsDirectory(Machine& machine);
std::string systemDirectory(Machine& machine);

} // namespace kp::win
