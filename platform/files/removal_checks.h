#pragma once
// What DeleteFile and RemoveDirectory check before a name goes, and the
// removal itself, for a name in a folder held open (or AT_FDCWD and a whole
// host path). A symbolic link is only ever removed as itself.

#include "platform/win32.h"

#include <sys/stat.h>

namespace kp::win {

class DeletionRefusals;
class FileSystem;

// SUCCESS when DeleteFile may remove `name`: ACCESS_DENIED for a folder or a
// read-only file, SHARING_VIOLATION while a handle refuses to share
// deletion, as `refusals` lists them (null: the file is asked). A link may
// always go.
[[nodiscard]] DWORD checkFileDeletable(int dirFd, const char* name, const DeletionRefusals* refusals = nullptr);

// RemoveDirectory of `name`: a folder, or a link to one (the link itself).
// DIRECTORY for anything else, SHARING_VIOLATION for the folder `current`
// (the machine's current directory; null when it has none), DIR_NOT_EMPTY.
[[nodiscard]] DWORD removeFolderAt(int dirFd, const char* name, const struct stat* current);

// The host's view of the machine's current directory: false when it names
// nothing there.
bool statCurrentDirectory(FileSystem& files, struct stat& out);

} // namespace kp::win
