// A file that a Windows program deletes to the Recycle Bin under real Wine
// lands in the user's trash, its origin written through the prefix's drive
// link and percent-encoded; the Recycle Bin purge removes it there and
// leaves the trash's items from elsewhere.

#include "platform/machine.h"
#include "purge/system_purges.h"
#include "tests/support/purge_run.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace kp;
namespace fs = std::filesystem;

using RecycleBinWine = kp::test::UrlCacheProbeTest;

TEST_F(RecycleBinWine, AFileWineRecycledIsPurgedAndTheRestOfTheTrashStays)
{
    test::TempDir data;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    const std::string trash = data.path() + "/Trash";
    fs::create_directories(trash + "/files");
    fs::create_directories(trash + "/info");
    test::writeFile(trash + "/files/other.txt", "x");
    test::writeFile(trash + "/info/other.txt.trashinfo", "[Trash Info]\nPath=" + data.path()
                                                             + "/elsewhere/other.txt\nDeletionDate=2024-01-01T00:00:00\n");
    const std::string name = "Letter 100% done.txt";
    test::writeFile(prefix + "/drive_c/" + name, "dear Bob");

    const auto rows = probe({"recycle", "C:\\" + name});
    ASSERT_EQ(rows, (std::vector<std::vector<std::string>>{{"recycle", "C:\\" + name, "0", "0"}}));
    EXPECT_FALSE(fs::exists(prefix + "/drive_c/" + name));
    ASSERT_TRUE(fs::exists(trash + "/files/" + name)) << "Wine's shell did not move the file to the trash";
    // Wine names the origin through the prefix's drive link (dosdevices/c:).
    const std::string info = test::readFile(trash + "/info/" + name + ".trashinfo");
    EXPECT_NE(info.find("Path=" + prefix + "/"), std::string::npos) << info;
    EXPECT_NE(info.find("/Letter%20100%25%20done.txt\n"), std::string::npos) << info;

    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
    test::PurgeRun purge(machine.get());
    PurgeRecycleBin(purge.context);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(purge.lines().back(), "  Purge \"Recycle Bin\" Function Completed.");
    EXPECT_FALSE(fs::exists(trash + "/files/" + name));
    EXPECT_FALSE(fs::exists(trash + "/info/" + name + ".trashinfo"));
    EXPECT_TRUE(fs::exists(trash + "/files/other.txt"));
    EXPECT_TRUE(fs::exists(trash + "/info/other.txt.trashinfo"));
}
