#include "platform/file_system.h"

#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp::win;
using kp::test::TempMachine;

TEST(DeleteFile, ErrorsAsWindowsGivesThem)
{
    TempMachine tm;
    tm.writeFile("Temp/a.tmp");
    tm.writeFile("Temp/locked.tmp");
    tm.makeDir("Temp/Sub");
    FileSystem fs(tm.machine());
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

TEST(MoveFile, RenamesReplacesAndRefuses)
{
    TempMachine tm;
    tm.writeFile("a.txt", "A");
    tm.writeFile("b.txt", "B");
    tm.writeFile("ro.txt", "R");
    tm.makeDir("Dir");
    FileSystem fs(tm.machine());

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

TEST(CopyFile, CopiesDataAttributesAndTime)
{
    TempMachine tm;
    std::string big(200000, 'z');
    tm.writeFile("src.dat", big);
    tm.writeFile("other.dat", "other");
    FileSystem fs(tm.machine());
    ASSERT_EQ(fs.setAttributes("C:\\src.dat", attr::HIDDEN), err::SUCCESS);
    FindData source;
    ASSERT_EQ(fs.getFileInfo("C:\\src.dat", source), err::SUCCESS);

    ASSERT_EQ(fs.copyFile("C:\\SRC.DAT", "C:\\copy.dat", true), err::SUCCESS);
    EXPECT_EQ(tm.readFile("copy.dat"), big);
    FindData copy;
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
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(tm.driveC()))
        entries += e.path().filename().string().rfind(".kp-", 0) == 0;
    EXPECT_EQ(entries, 0);
}

TEST(Directories, CreateAndRemoveWithWindowsErrors)
{
    TempMachine tm;
    tm.writeFile("file.txt");
    FileSystem fs(tm.machine());

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
