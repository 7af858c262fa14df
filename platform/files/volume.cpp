#include "platform/files/volume.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_system.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace kp::win {

namespace {

constexpr QWORD kClassicCap = 0x7FFFFFFF;

constexpr long kMsdosMagic = 0x4d44;
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
constexpr long kExfatMagic = 0x2011BAB0;

constexpr DWORD kCaseSensitiveSearch = 0x1;
constexpr DWORD kCasePreservedNames = 0x2;
constexpr DWORD kUnicodeOnDisk = 0x4;
constexpr DWORD kPersistentAcls = 0x8;
constexpr DWORD kReadOnlyVolume = 0x80000;

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The cluster size of a host file system and its size in clusters.
DWORD clusterBytes(const struct statvfs& vfs)
{
    unsigned long size = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    return DWORD(std::clamp<unsigned long>(size, 512, 0x80000000UL));
}

} // namespace

Volume::Volume(Machine& machine)
    : machine_(machine)
{
}

DWORD Volume::driveFolder(std::string_view root, char& letter, std::string& hostRoot)
{
    FileSystem fs(machine_);
    std::string full;
    if (DWORD e = fs.fullPathName(root.empty() ? std::string_view(machine_.currentDirectory()) : root, full))
        return e;
    letter = char(std::toupper((unsigned char)full[0]));
    hostRoot = machine_.paths().driveRoot(letter);
    return hostRoot.empty() ? err::PATH_NOT_FOUND : err::SUCCESS;
}

DWORD Volume::driveType(std::string_view root)
{
    char letter = 0;
    std::string hostRoot;
    if (driveFolder(root, letter, hostRoot))
        return drive::NO_ROOT_DIR;
    RegKey key;
    std::string type;
    Registry& registry = machine_.registry();
    const std::string name {char(std::tolower((unsigned char)letter)), ':'};
    // A drive Wine gives no type is a fixed disk.
    if (registry.openKey(RegRoot::LocalMachine, "Software\\Wine\\Drives", false, key) != err::SUCCESS
        || registry.queryString(key, name, type) != err::SUCCESS)
        type.clear();
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (type == "network")
        return drive::REMOTE;
    if (type == "cdrom")
        return drive::CDROM;
    if (type == "floppy")
        return drive::REMOVABLE;
    if (type == "ramdisk")
        return drive::RAMDISK;
    return drive::FIXED;
}

DWORD Volume::diskFreeSpaceEx(std::string_view path, DiskSpace& out)
{
    FileSystem fs(machine_);
    std::string host;
    bool exists = false;
    if (DWORD e = fs.hostPath(path.empty() ? std::string_view(machine_.currentDirectory()) : path, host, &exists))
        return e;
    if (!exists)
        return err::PATH_NOT_FOUND;
    struct statvfs vfs {};
    if (::statvfs(host.c_str(), &vfs) != 0)
        return errorFromErrno(errno);
    QWORD unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    out.totalBytes = QWORD(vfs.f_blocks) * unit;
    out.totalFreeBytes = QWORD(vfs.f_bfree) * unit;
    out.freeBytesAvailable = QWORD(vfs.f_bavail) * unit;
    return err::SUCCESS;
}

DWORD Volume::diskFreeSpace(std::string_view root, DiskGeometry& out)
{
    char letter = 0;
    std::string hostRoot;
    if (DWORD e = driveFolder(root, letter, hostRoot))
        return e;
    struct statvfs vfs {};
    if (::statvfs(hostRoot.c_str(), &vfs) != 0)
        return errorFromErrno(errno);
    const QWORD unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const DWORD cluster = clusterBytes(vfs);
    out.bytesPerSector = std::min<DWORD>(512, cluster);
    out.sectorsPerCluster = cluster / out.bytesPerSector;
    QWORD total = QWORD(vfs.f_blocks) * unit / cluster;
    QWORD available = QWORD(vfs.f_bavail) * unit / cluster;
    const QWORD capClusters = kClassicCap / cluster;
    out.totalClusters = DWORD(std::min(total, capClusters));
    out.freeClusters = DWORD(std::min(available, capClusters));
    return err::SUCCESS;
}

DWORD Volume::volumeInformation(std::string_view root, VolumeInfo& out)
{
    char letter = 0;
    std::string hostRoot;
    if (DWORD e = driveFolder(root, letter, hostRoot))
        return e;
    struct statfs fsInfo {};
    struct statvfs vfs {};
    if (::statfs(hostRoot.c_str(), &fsInfo) != 0 || ::statvfs(hostRoot.c_str(), &vfs) != 0)
        return errorFromErrno(errno);

    out = VolumeInfo {};
    out.maxComponentLength = DWORD(fsInfo.f_namelen ? fsInfo.f_namelen : 255);
    const long type = long(fsInfo.f_type);
    if (type == kMsdosMagic) {
        out.fileSystemName = vfs.f_blocks < 65525 ? "FAT" : "FAT32";
        out.flags = kCasePreservedNames | kUnicodeOnDisk;
    } else if (type == kIso9660Magic) {
        out.fileSystemName = "CDFS";
        out.flags = kCasePreservedNames;
    } else if (type == kUdfMagic) {
        out.fileSystemName = "UDF";
        out.flags = kCasePreservedNames | kUnicodeOnDisk;
    } else if (type == kExfatMagic) {
        out.fileSystemName = "exFAT";
        out.flags = kCasePreservedNames | kUnicodeOnDisk;
    } else {
        out.fileSystemName = "NTFS";
        out.flags = kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk | kPersistentAcls;
    }
    if (vfs.f_flag & ST_RDONLY)
        out.flags |= kReadOnlyVolume;

    out.label = firstLine(hostRoot + "/.windows-label");
    std::string serial = firstLine(hostRoot + "/.windows-serial");
    char* end = nullptr;
    unsigned long value = serial.empty() ? 0 : std::strtoul(serial.c_str(), &end, 16);
    if (!serial.empty() && end && *end == '\0') {
        out.serialNumber = DWORD(value);
    } else {
        int words[2];
        static_assert(sizeof words == sizeof fsInfo.f_fsid);
        std::memcpy(words, &fsInfo.f_fsid, sizeof words);
        struct stat st {};
        ::stat(hostRoot.c_str(), &st);
        out.serialNumber = DWORD(words[0]) ^ DWORD(words[1]) ^ DWORD(st.st_dev);
    }
    return err::SUCCESS;
}

} // namespace kp::win
