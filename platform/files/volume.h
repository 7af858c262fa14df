#pragma once
// Drives and volumes of the machine, called as kernel32's GetDriveType,
// GetDiskFreeSpace(Ex) and GetVolumeInformation are. A drive is a link in
// the prefix's dosdevices folder; its type comes from the machine's
// HKLM\Software\Wine\Drives values ("c:" = "hd", "network", "cdrom",
// "floppy" or "ramdisk"), fixed otherwise, as Wine does. Sizes and the
// cluster geometry come from the host file system holding the drive's folder.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

class Machine;

namespace drive {
inline constexpr DWORD UNKNOWN = 0;
inline constexpr DWORD NO_ROOT_DIR = 1;
inline constexpr DWORD REMOVABLE = 2;
inline constexpr DWORD FIXED = 3;
inline constexpr DWORD REMOTE = 4;
inline constexpr DWORD CDROM = 5;
inline constexpr DWORD RAMDISK = 6;
} // namespace drive

struct DiskGeometry {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
};

struct DiskSpace {
    QWORD freeBytesAvailable = 0; // to this user
    QWORD totalBytes = 0;
    QWORD totalFreeBytes = 0;
};

struct VolumeInfo {
    std::string label;
    DWORD serialNumber = 0;
    DWORD maxComponentLength = 0;
    DWORD flags = 0; // FILE_CASE_SENSITIVE_SEARCH ... as the file system has them
    std::string fileSystemName;
};

class Volume {
public:
    explicit Volume(Machine& machine);

    // GetDriveType of a root ("C:\", "c:" or any path on the drive; "" is
    // the current directory's drive). NO_ROOT_DIR when the drive does not
    // exist.
    DWORD driveType(std::string_view root);

    // GetDiskFreeSpace: the classic call, whose sizes are capped at 2 GB as
    // Windows caps them (clusters × cluster size never above 0x7FFFFFFF).
    [[nodiscard]] DWORD diskFreeSpace(std::string_view root, DiskGeometry& out);
    // GetDiskFreeSpaceEx of any existing folder.
    [[nodiscard]] DWORD diskFreeSpaceEx(std::string_view path, DiskSpace& out);

    // GetVolumeInformation. The file system name is "FAT32" (or "FAT" below
    // 65525 clusters) on a FAT volume, "CDFS" / "UDF" on discs, "exFAT", and
    // "NTFS" for every other host file system, as Wine names them. The label
    // and serial number are those Wine uses: the ".windows-label" and
    // ".windows-serial" (hex) files in the drive's folder; without the latter
    // the serial is taken from the host file system's identity.
    [[nodiscard]] DWORD volumeInformation(std::string_view root, VolumeInfo& out);

private:
    [[nodiscard]] DWORD driveFolder(std::string_view root, char& letter, std::string& hostRoot);

    Machine& machine_;
};

} // namespace kp::win
