#pragma once
// Windows share modes between open handles. Each handle marks what it does
// (read, write, delete) and what it refuses to share, as shared
// open-file-description locks on single bytes far beyond any file's data.
// Every handle of this process and of other processes using the same marks
// sees them; programs that take no marks are not held back.

#include "platform/win32.h"

#include <cstdint>
#include <sys/stat.h>
#include <vector>

namespace kp::win {

namespace access {
inline constexpr DWORD READ_DATA = 0x0001;
inline constexpr DWORD WRITE_DATA = 0x0002;
inline constexpr DWORD APPEND_DATA = 0x0004;
inline constexpr DWORD DELETE = 0x00010000;
inline constexpr DWORD GENERIC_ALL = 0x10000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD GENERIC_READ = 0x80000000;

inline constexpr bool reads(DWORD a) { return a & (GENERIC_READ | GENERIC_ALL | READ_DATA); }
inline constexpr bool writes(DWORD a) { return a & (GENERIC_WRITE | GENERIC_ALL | WRITE_DATA | APPEND_DATA); }
inline constexpr bool deletes(DWORD a) { return a & (GENERIC_ALL | DELETE); }
} // namespace access

namespace share {
inline constexpr DWORD READ = 1;
inline constexpr DWORD WRITE = 2;
inline constexpr DWORD DELETE = 4;
} // namespace share

// SHARING_VIOLATION when another handle's marks forbid opening `fd`'s file
// with `desiredAccess` and `shareMode`; otherwise takes this handle's marks
// on `fd` (which must be open for reading) and succeeds. On a file system
// without locks nothing is marked or refused.
[[nodiscard]] DWORD claimShareMode(int fd, DWORD desiredAccess, DWORD shareMode);

// True when some handle of the file refuses to share deletion (renaming and
// deleting the file then fail with SHARING_VIOLATION).
bool deletionRefused(int fd);

// The files whose deletion some handle refuses, as the host lists the marks
// of every process at one moment (/proc/locks): one read for a whole folder
// instead of opening each file to ask.
class DeletionRefusals {
public:
    // Takes the marks as they stand now; false when the host does not list
    // them (then ask each file with deletionRefused).
    [[nodiscard]] bool read();
    bool refuses(const struct stat& file) const;

private:
    struct File {
        unsigned major;
        unsigned minor;
        std::uint64_t inode;
    };
    std::vector<File> files_;
};

} // namespace kp::win
