#pragma once
// File attributes and times of host files, kept as Wine keeps them: a file
// is ARCHIVE and a folder DIRECTORY, READONLY is a missing owner write bit,
// HIDDEN and SYSTEM live in the "user.DOSATTRIB" extended attribute as "0x%x"
// (no other bits are stored; without it a name starting with a dot is
// hidden), and a symbolic link is a REPARSE_POINT that is never followed.

#include "platform/win32.h"

#include <string>
#include <sys/types.h>

namespace kp::win {

struct HostFileInfo {
    DWORD attributes = 0;
    QWORD size = 0;
    FileTime creationTime; // the birth time where the host keeps one, else the last write
    FileTime lastAccessTime;
    FileTime lastWriteTime;
    bool isLink = false;
};

// Reads a file's attributes, size and times without following a link.
[[nodiscard]] DWORD readHostFileInfo(const std::string& hostPath, HostFileInfo& out);

// SetFileAttributes: READONLY (ignored for folders, as Wine does), HIDDEN and
// SYSTEM; other bits are accepted and not kept. ACCESS_DENIED for a link
// whose attributes would have to change.
[[nodiscard]] DWORD writeHostAttributes(const std::string& hostPath, DWORD attributes);

// The mode a read-only file gets when READONLY is cleared: writable by its
// owner, and by those who may read it as far as the process's umask allows.
mode_t writableMode(mode_t mode);

// Stores HIDDEN and SYSTEM of `attributes` on an open file.
[[nodiscard]] DWORD writeDosAttrib(int fd, DWORD attributes, bool force);
// writeDosAttrib for a file that a call has already created, truncated or
// copied: where the host cannot store the bits (a file system without
// extended attributes) the file stays without them, since failing the call
// would deny work that is done.
void tryWriteDosAttrib(int fd, DWORD attributes);

} // namespace kp::win
