#include "platform/files/deferred_deletes.h"
#include "platform/files/dos_paths.h"
#include "platform/files/file_system.h"

#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

std::string realDir(const std::string& path)
{
    return std::filesystem::canonical(path).string();
}

class FileOps : public ::testing::Test {
protected:
    TempMachine tm;
    FileSystem fs {tm.machine()};
};

} // namespace

TEST_F(FileOps, DeleteGivesWindowsErrors)
{
    tm.writeFile("Temp/a.tmp");
    tm.writeFile("Temp/locked.tmp");
    tm.makeDir("Temp/Sub");
    ASSERT_EQ(fs.setAttributes("C:\\Temp\\locked.tmp", attr::READONLY), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\TEMP\\A.TMP"), err::SUCCESS);
    EXPECT_FALSE(tm.exists("Temp/a.tmp"));
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\a.tmp"), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.deleteFile("C:\\Gone\\a.tmp"), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\locked.tmp"), err::ACCESS_DENIED);
    EXPECT_TRUE(tm.exists("Temp/locked.tmp"));
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\Sub"), err::ACCESS_DENIED);
    ASSERT_EQ(fs.setAttributes("C:\\Temp\\locked.tmp", attr::NORMAL), err::SUCCESS);
    EXPECT_EQ(fs.deleteFile("C:\\Temp\\locked.tmp"), err::SUCCESS);
}

// Removals left to a worker: the same checks first, and every file queued
// is gone once finish() returns, however many wait.
TEST_F(FileOps, ARemovalLeftToTheWorkerChecksFirstAndIsDoneAtFinish)
{
    constexpr int kFiles = 5000; // more than are queued at once
    for (int i = 0; i < kFiles; ++i)
        tm.writeFile("Cache/f" + std::to_string(i) + ".tmp");
    tm.writeFile("Cache/kept.tmp");
    ASSERT_EQ(fs.setAttributes("C:\\Cache\\kept.tmp", attr::READONLY), err::SUCCESS);
    DeferredDeletes removals;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(fs.deleteFile("C:\\CACHE\\F" + std::to_string(i) + ".TMP", removals), err::SUCCESS) << i;
    EXPECT_EQ(fs.deleteFile("C:\\Cache\\kept.tmp", removals), err::ACCESS_DENIED);
    EXPECT_EQ(fs.deleteFile("C:\\Cache\\none.tmp", removals), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.deleteFile("C:\\Cache", removals), err::ACCESS_DENIED);
    removals.finish();
    EXPECT_EQ(removals.failures(), 0u);
    for (int i = 0; i < kFiles; i += 97)
        EXPECT_FALSE(tm.exists("Cache/f" + std::to_string(i) + ".tmp")) << i;
    EXPECT_TRUE(tm.exists("Cache/kept.tmp"));
    std::string host;
    bool exists = true;
    ASSERT_EQ(tm.machine().paths().toHost("C:\\Cache\\f1.tmp", host, &exists), err::SUCCESS);
    EXPECT_FALSE(exists) << "the path cache hears of removals made by the worker";

    // A name that cannot go is counted; one already gone is not.
    tm.writeFile("Cache/Sub/inner.tmp");
    const std::string cache = realDir(tm.hostPath("Cache"));
    EXPECT_EQ(removals.add(cache, "Sub"), err::SUCCESS);
    EXPECT_EQ(removals.add(cache, "f1.tmp"), err::SUCCESS);
    EXPECT_EQ(removals.add(tm.hostPath("Cache/none"), "x"), err::PATH_NOT_FOUND);
    removals.finish();
    EXPECT_EQ(removals.failures(), 1u);
}

// The folder checked is the folder the name goes from: a path that comes to
// lead elsewhere before the worker gets to it changes nothing.
TEST_F(FileOps, ARemovalLeftToTheWorkerStaysInTheFolderChecked)
{
    constexpr int kBefore = 3000; // queued first, so that the swap comes before the worker reaches the victim
    for (int i = 0; i < kBefore; ++i)
        tm.writeFile("Cache/Sub/f" + std::to_string(i));
    tm.writeFile("Cache/Sub/victim.txt", "cache");
    tm.writeFile("Elsewhere/victim.txt", "keep");
    DeferredDeletes removals;
    const std::string sub = realDir(tm.hostPath("Cache/Sub"));
    for (int i = 0; i < kBefore; ++i)
        ASSERT_EQ(removals.add(sub, "f" + std::to_string(i)), err::SUCCESS);
    ASSERT_EQ(removals.add(sub, "victim.txt"), err::SUCCESS);
    std::filesystem::rename(sub, tm.hostPath("Cache/Moved"));
    std::filesystem::create_directory_symlink(tm.hostPath("Elsewhere"), sub);
    removals.finish();
    EXPECT_FALSE(tm.exists("Cache/Moved/victim.txt"));
    EXPECT_EQ(tm.readFile("Elsewhere/victim.txt"), "keep");
}

TEST_F(FileOps, MoveRenamesReplacesAndRefuses)
{
    tm.writeFile("a.txt", "A");
    tm.writeFile("b.txt", "B");
    tm.writeFile("ro.txt", "R");
    tm.makeDir("Dir");
    EXPECT_EQ(fs.moveFile("C:\\a.txt", "C:\\b.txt"), err::ALREADY_EXISTS);
    EXPECT_EQ(tm.readFile("b.txt"), "B");
    EXPECT_EQ(fs.moveFile("C:\\a.txt", "C:\\B.TXT", movefile::REPLACE_EXISTING), err::SUCCESS);
    EXPECT_EQ(tm.readFile("b.txt"), "A");
    EXPECT_FALSE(tm.exists("a.txt"));
    // Only the letter case changes: a rename, not a clash.
    EXPECT_EQ(fs.moveFile("C:\\b.txt", "C:\\B.txt"), err::SUCCESS);
    EXPECT_TRUE(tm.exists("B.txt"));
    EXPECT_FALSE(tm.exists("b.txt"));
    EXPECT_EQ(fs.moveFile("C:\\B.txt", "C:\\dir\\moved.txt"), err::SUCCESS);
    EXPECT_EQ(tm.readFile("Dir/moved.txt"), "A");
    EXPECT_EQ(fs.moveFile("C:\\missing.txt", "C:\\x.txt"), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.moveFile("C:\\Dir\\moved.txt", "C:\\No\\x.txt"), err::PATH_NOT_FOUND);
    ASSERT_EQ(fs.setAttributes("C:\\ro.txt", attr::READONLY), err::SUCCESS);
    EXPECT_EQ(fs.moveFile("C:\\Dir\\moved.txt", "C:\\ro.txt", movefile::REPLACE_EXISTING), err::ACCESS_DENIED);
    EXPECT_EQ(tm.readFile("ro.txt"), "R");
    EXPECT_EQ(fs.moveFile("C:\\Dir\\moved.txt", "C:\\Dir", movefile::REPLACE_EXISTING), err::ACCESS_DENIED);
    // Folders move too, and their contents are found at the new place.
    EXPECT_EQ(fs.moveFile("C:\\Dir", "C:\\Folder"), err::SUCCESS);
    EXPECT_TRUE(fs.exists("C:\\folder\\MOVED.TXT"));
    EXPECT_FALSE(fs.exists("C:\\Dir"));
}

TEST_F(FileOps, CopyCopiesDataAttributesAndTime)
{
    const std::string big(200000, 'z');
    tm.writeFile("src.dat", big);
    tm.writeFile("other.dat", "other");
    ASSERT_EQ(fs.setAttributes("C:\\src.dat", attr::HIDDEN), err::SUCCESS);
    FindData source, copy;
    ASSERT_EQ(fs.getFileInfo("C:\\src.dat", source), err::SUCCESS);
    ASSERT_EQ(fs.copyFile("C:\\SRC.DAT", "C:\\copy.dat", true), err::SUCCESS);
    EXPECT_EQ(tm.readFile("copy.dat"), big);
    ASSERT_EQ(fs.getFileInfo("C:\\copy.dat", copy), err::SUCCESS);
    EXPECT_EQ(copy.attributes, attr::ARCHIVE | attr::HIDDEN);
    EXPECT_EQ(copy.lastWriteTime, source.lastWriteTime);

    EXPECT_EQ(fs.copyFile("C:\\other.dat", "C:\\copy.dat", true), err::FILE_EXISTS);
    EXPECT_EQ(tm.readFile("copy.dat"), big);
    EXPECT_EQ(fs.copyFile("C:\\other.dat", "C:\\copy.dat", false), err::SUCCESS);
    EXPECT_EQ(tm.readFile("copy.dat"), "other");
    EXPECT_EQ(fs.copyFile("C:\\copy.dat", "C:\\COPY.DAT", false), err::SHARING_VIOLATION);
    EXPECT_EQ(tm.readFile("copy.dat"), "other");
    EXPECT_EQ(fs.copyFile("C:\\none.dat", "C:\\x.dat", false), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.copyFile("C:\\other.dat", "C:\\no\\x.dat", false), err::PATH_NOT_FOUND);
    ASSERT_EQ(fs.setAttributes("C:\\copy.dat", attr::READONLY), err::SUCCESS);
    EXPECT_EQ(fs.copyFile("C:\\src.dat", "C:\\copy.dat", false), err::ACCESS_DENIED);
    // No temporary file is left behind.
    for (const auto& e : std::filesystem::directory_iterator(tm.driveC()))
        EXPECT_FALSE(e.path().filename().string().starts_with(".kp-")) << e.path();
}

TEST_F(FileOps, FoldersAreCreatedAndRemovedWithWindowsErrors)
{
    tm.writeFile("file.txt");
    EXPECT_EQ(fs.createDirectory("C:\\New Folder"), err::SUCCESS);
    EXPECT_EQ(fs.createDirectory("C:\\NEW FOLDER"), err::ALREADY_EXISTS);
    EXPECT_EQ(fs.createDirectory("C:\\file.txt"), err::ALREADY_EXISTS);
    EXPECT_EQ(fs.createDirectory("C:\\Missing\\Child"), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.createDirectory("C:\\New Folder\\Child"), err::SUCCESS);
    EXPECT_EQ(fs.removeDirectory("C:\\new folder"), err::DIR_NOT_EMPTY);
    EXPECT_EQ(fs.removeDirectory("C:\\file.txt"), err::DIRECTORY);
    EXPECT_EQ(fs.removeDirectory("C:\\Nothing"), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.removeDirectory("C:\\"), err::ACCESS_DENIED);
    ASSERT_EQ(fs.setCurrentDirectory("C:\\New Folder\\Child"), err::SUCCESS);
    EXPECT_EQ(fs.removeDirectory("C:\\New Folder\\Child"), err::SHARING_VIOLATION);
    ASSERT_EQ(fs.setCurrentDirectory("C:\\"), err::SUCCESS);
    EXPECT_EQ(fs.removeDirectory("C:\\New Folder\\Child"), err::SUCCESS);
    EXPECT_EQ(fs.removeDirectory("C:\\New Folder"), err::SUCCESS);
    EXPECT_FALSE(fs.exists("C:\\New Folder"));
    EXPECT_EQ(fs.createDirectory("C:\\New Folder"), err::SUCCESS);
}
