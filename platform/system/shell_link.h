#pragma once
// Shell links (.lnk) in the MS-SHLLINK format: the header, the link
// information with the target's volume and local path, then the Unicode
// description, relative path, working folder, arguments and icon location.
// No ID list: Windows and Wine resolve such links through their link
// information. saveShellLink is IShellLink with IPersistFile::Save.

#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kp::win {

class Machine;

namespace showcmd {
inline constexpr int NORMAL = 1;
inline constexpr int SHOW = 5;
inline constexpr int MAXIMIZED = 3;
inline constexpr int MINNOACTIVE = 7;
} // namespace showcmd

struct ShellLink {
    std::string targetPath;   // "C:\Documents and Settings\Owner\My Documents\a.doc"
    std::string relativePath; // from the link's folder, "..\My Documents\a.doc"; optional
    std::string workingDir;   // optional
    std::string description;  // optional
    std::string arguments;    // optional
    std::string iconLocation; // optional
    int iconIndex = 0;
    // SetShowCmd's value; the file keeps 1, 3 or 7, any other value as 1
    // (show normally), as the format requires.
    int showCommand = showcmd::NORMAL;
    DWORD targetAttributes = attr::ARCHIVE;
    std::uint32_t targetSize = 0;
    FileTime creationTime, accessTime, writeTime;
    std::uint32_t volumeSerial = 0;
};

// The bytes of the .lnk file. Text is UTF-8; the local path is stored in the
// ANSI field and must be ASCII.
std::string shellLinkBytes(const ShellLink& link);

// Saves `link` as the file `linkPath`, replacing an existing one atomically;
// the target's attributes, size and times are taken from the target when it
// exists. A read-only link file refuses the write (ACCESS_DENIED).
[[nodiscard]] DWORD saveShellLink(Machine& machine, std::string_view linkPath, ShellLink link);

} // namespace kp::win
