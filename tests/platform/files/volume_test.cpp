#include "platform/files/volume.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/statvfs.h>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

void setDriveType(Machine& machine, const char* drive, const char* type)
{
    RegKey key;
    ASSERT_EQ(machine.registry().createKey(RegRoot::LocalMachine, "Software\\Wine\\Drives", key), err::SUCCESS);
    ASSERT_EQ(machine.registry().setString(key, drive, type), err::SUCCESS);
}

} // namespace

TEST(Volume, DriveTypesComeFromWinesDrivesKey)
{
    TempMachine tm;
    Volume volume(tm.machine());
    EXPECT_EQ(volume.driveType("C:\\"), drive::FIXED);
    EXPECT_EQ(volume.driveType("Q:\\"), drive::NO_ROOT_DIR);
    EXPECT_EQ(volume.driveType(""), drive::FIXED);

    const std::pair<const char*, DWORD> cases[] = {
        {"cdrom", drive::CDROM}, {"network", drive::REMOTE}, {"floppy", drive::REMOVABLE},
        {"ramdisk", drive::RAMDISK}, {"hd", drive::FIXED}, {"CDROM", drive::CDROM}, {"tape", drive::FIXED}};
    for (const auto& [text, type] : cases) {
        setDriveType(tm.machine(), "c:", text);
        EXPECT_EQ(volume.driveType("c:\\"), type) << text;
        EXPECT_EQ(volume.driveType("C:"), type) << text;
        EXPECT_EQ(volume.driveType("C:\\Windows\\x.txt"), type) << text;
    }
    EXPECT_EQ(volume.driveType("Z:\\"), drive::FIXED);

    // A drive whose link leads nowhere has no root.
    std::filesystem::create_symlink("../missing_drive", tm.prefixDir() + "/dosdevices/d:");
    EXPECT_EQ(volume.driveType("D:\\"), drive::NO_ROOT_DIR);
}

TEST(Volume, FreeSpaceClassicIsCappedExtendedIsNot)
{
    TempMachine tm;
    tm.makeDir("Windows");
    Volume volume(tm.machine());
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(tm.driveC().c_str(), &vfs), 0);
    const QWORD unit = vfs.f_frsize;

    DiskSpace space;
    ASSERT_EQ(volume.diskFreeSpaceEx("C:\\Windows", space), err::SUCCESS);
    EXPECT_EQ(space.totalBytes, QWORD(vfs.f_blocks) * unit);
    EXPECT_LE(space.freeBytesAvailable, space.totalFreeBytes);
    EXPECT_LE(space.totalFreeBytes, space.totalBytes);
    EXPECT_GT(space.totalBytes, 0u);
    EXPECT_EQ(volume.diskFreeSpaceEx("C:\\Missing", space), err::PATH_NOT_FOUND);
    EXPECT_EQ(volume.diskFreeSpaceEx("Q:\\", space), err::PATH_NOT_FOUND);

    DiskGeometry geometry;
    ASSERT_EQ(volume.diskFreeSpace("C:\\", geometry), err::SUCCESS);
    const QWORD cluster = QWORD(geometry.sectorsPerCluster) * geometry.bytesPerSector;
    EXPECT_EQ(cluster, unit);
    EXPECT_EQ(geometry.bytesPerSector, 512u);
    EXPECT_LE(QWORD(geometry.totalClusters) * cluster, 0x7FFFFFFFu);
    EXPECT_LE(geometry.freeClusters, geometry.totalClusters);
    EXPECT_EQ(volume.diskFreeSpace("Q:\\", geometry), err::PATH_NOT_FOUND);
}

TEST(Volume, InformationNamesTheFileSystemAndReadsWinesLabelAndSerial)
{
    TempMachine tm;
    Volume volume(tm.machine());
    VolumeInfo info;
    ASSERT_EQ(volume.volumeInformation("C:\\", info), err::SUCCESS);
    EXPECT_EQ(info.fileSystemName, "NTFS"); // an ordinary Linux file system
    EXPECT_EQ(info.label, "");
    VolumeInfo again;
    ASSERT_EQ(volume.volumeInformation("c:", again), err::SUCCESS);
    EXPECT_EQ(again.serialNumber, info.serialNumber);

    tm.writeFile(".windows-label", "IE6 DISK\n");
    tm.writeFile(".windows-serial", "44000000\n");
    ASSERT_EQ(volume.volumeInformation("C:\\", info), err::SUCCESS);
    EXPECT_EQ(info.label, "IE6 DISK");
    EXPECT_EQ(info.serialNumber, 0x44000000u);
    EXPECT_EQ(volume.volumeInformation("Q:\\", info), err::PATH_NOT_FOUND);
}
