#pragma once
// Writes shell links (.lnk) in the MS-SHLLINK format: the header, the link
// information with the target's volume and local path, and the Unicode
// description, relative path and working folder. No ID list: Windows
// resolves such links through their link information.

#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace kp::sample {

struct ShellLink {
    std::string targetPath;   // "C:\Documents and Settings\Owner\My Documents\a.doc"
    std::string relativePath; // from the link's folder, "..\My Documents\a.doc"; optional
    std::string workingDir;   // optional
    std::string description;  // optional
    kp::win::DWORD targetAttributes = kp::win::attr::ARCHIVE;
    std::uint32_t targetSize = 0;
    kp::win::FileTime creationTime, accessTime, writeTime;
    std::uint32_t volumeSerial = 0;
};

// The bytes of the .lnk file. Text is UTF-8; the local path is stored in the
// ANSI field and must be ASCII.
std::string shellLinkBytes(const ShellLink& link);

} // namespace kp::sample
