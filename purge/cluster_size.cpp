#include "purge/file_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/volume.h"
#include "platform/files/win_path.h"
#include "purge/purge_context.h"
#include "purge/run_state.h"

#include <cctype>

namespace kp {

// FAT32 reports a cluster size that need not match the one in use; the size
// follows from the volume's size instead.
std::uint32_t Fat32ClusterSize(std::uint64_t totalKilobytes)
{
    if (totalKilobytes < 8388608)
        return 4096;
    if (totalKilobytes < 16777216)
        return 8192;
    if (totalKilobytes < 33554432)
        return 16384;
    return 32768;
}

namespace {

bool isFat32(const std::string& fileSystemName)
{
    return win::startsWithNoCase(fileSystemName, "FAT32");
}

// The cluster size of the drive with root `root`; 0 when it cannot be asked.
std::uint32_t queryClusterSize(win::Machine& machine, const std::string& root)
{
    win::Volume volume(machine);
    win::DiskGeometry geometry;
    if (volume.diskFreeSpace(root, geometry) != win::err::SUCCESS)
        return 0;
    win::VolumeInfo info;
    if (volume.volumeInformation(root, info) == win::err::SUCCESS && isFat32(info.fileSystemName)) {
        win::DiskSpace space;
        std::uint64_t totalBytes = volume.diskFreeSpaceEx(root, space) == win::err::SUCCESS
            ? space.totalBytes
            : std::uint64_t(geometry.totalClusters) * geometry.sectorsPerCluster * geometry.bytesPerSector;
        return Fat32ClusterSize(totalBytes / 1024);
    }
    return geometry.sectorsPerCluster * geometry.bytesPerSector;
}

} // namespace

bool ClusterSizeForFile(PurgeContext& context, std::string_view path)
{
    if (!context.machine)
        return false;
    ShredState& state = context.run.shredState;
    std::string folder(win::folderOf(path));
    if (folder.empty())
        folder = win::FileSystem(*context.machine).currentDirectory();
    if (folder.size() < 2 || folder[1] != ':')
        return false;
    const char drive = char(std::toupper(static_cast<unsigned char>(folder[0])));
    if (drive == state.cachedDrive && state.clusterSize > 0)
        return true;

    const std::uint32_t size = queryClusterSize(*context.machine, std::string(1, drive) + ":\\");
    if (size == 0) {
        state.cachedDrive = 0;
        state.clusterSize = 0;
        return false;
    }
    state.cachedDrive = drive;
    state.clusterSize = size;
    return true;
}

std::uint64_t RoundUpToCluster(const ShredState& state, std::uint64_t length)
{
    if (state.cachedDrive == 0 || state.clusterSize < 1)
        return length;
    const std::uint64_t c = state.clusterSize;
    return (length + c - 1) / c * c;
}

} // namespace kp
