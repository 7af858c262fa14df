#include "platform/files/file_system.h"

#include "platform/machine.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp::win;
using kp::test::TempMachine;

namespace {

class FilePaths : public ::testing::Test {
protected:
    TempMachine tm;
    FileSystem fs {tm.machine()};
};

} // namespace

TEST_F(FilePaths, FullPathNamesResolveAgainstTheMachinesCurrentDirectory)
{
    tm.makeDir("Windows/Temp");
    const auto hostCwd = std::filesystem::current_path();
    ASSERT_EQ(fs.setCurrentDirectory("c:\\WINDOWS\\temp"), err::SUCCESS);
    EXPECT_EQ(fs.currentDirectory(), "C:\\WINDOWS\\temp");
    EXPECT_EQ(tm.machine().currentDirectory(), "C:\\WINDOWS\\temp");
    EXPECT_EQ(std::filesystem::current_path(), hostCwd) << "the host process never moves";

    const std::pair<const char*, const char*> cases[] = {
        {"x.txt", "C:\\WINDOWS\\temp\\x.txt"},
        {"..\\..\\..\\a\\.\\b", "C:\\a\\b"},
        {"\\root.txt", "C:\\root.txt"},
        {"c:rel", "C:\\WINDOWS\\temp\\rel"},
        {"d:rel", "D:\\rel"},
        {"C:/x/y/", "C:\\x\\y\\"},
    };
    std::string full;
    for (const auto& [path, expected] : cases) {
        ASSERT_EQ(fs.fullPathName(path, full), err::SUCCESS) << path;
        EXPECT_EQ(full, expected);
    }
    EXPECT_EQ(fs.fullPathName("", full), err::INVALID_NAME);

    // Relative names reach files too.
    tm.writeFile("Windows/Temp/here.txt", "h");
    EXPECT_TRUE(fs.exists("HERE.TXT"));
    EXPECT_EQ(fs.deleteFile("here.txt"), err::SUCCESS);

    tm.writeFile("file.txt");
    EXPECT_EQ(fs.setCurrentDirectory("C:\\Nope"), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.setCurrentDirectory("C:\\Nope\\Deeper"), err::PATH_NOT_FOUND);
    EXPECT_EQ(fs.setCurrentDirectory("C:\\file.txt"), err::DIRECTORY);
    EXPECT_EQ(fs.currentDirectory(), "C:\\WINDOWS\\temp");
}

TEST_F(FilePaths, ShortAndLongPathsMapEveryComponent)
{
    tm.writeFile("Documents and Settings/User Name/Local Settings/Temporary Internet Files/index.dat");
    std::string out;
    ASSERT_EQ(fs.shortPathName(
                  "c:\\documents and settings\\user name\\LOCAL SETTINGS\\temporary internet files\\INDEX.DAT", out),
        err::SUCCESS);
    EXPECT_EQ(out, "C:\\DOCU~CNJ\\USER~GHS\\LOCA~ZN4\\TEMP~HGY\\index.dat");
    ASSERT_EQ(fs.longPathName(out, out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\Documents and Settings\\User Name\\Local Settings\\Temporary Internet Files\\index.dat");
    ASSERT_EQ(fs.shortPathName("C:\\", out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\");
    EXPECT_EQ(fs.shortPathName("C:\\Documents and Settings\\nobody.txt", out), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.longPathName("C:\\NOWHERE~1\\x", out), err::PATH_NOT_FOUND);
}

TEST_F(FilePaths, SearchPathWalksTheFolderListInOrder)
{
    tm.writeFile("Windows/System32/regedit.exe", "sys");
    tm.writeFile("Windows/regedit.exe", "win");
    tm.writeFile("Windows/notes.txt");
    const std::string list = "C:\\Missing;C:\\windows\\system32;;C:\\Windows";
    std::string out;
    ASSERT_EQ(fs.searchPath(list, "REGEDIT", ".exe", out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\windows\\system32\\REGEDIT.exe");
    ASSERT_EQ(fs.searchPath(list, "notes.txt", ".exe", out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\Windows\\notes.txt");
    EXPECT_EQ(fs.searchPath(list, "notes", ".exe", out), err::FILE_NOT_FOUND);
    ASSERT_EQ(fs.searchPath("", "C:\\Windows\\regedit", ".exe", out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\Windows\\regedit.exe");
    EXPECT_EQ(fs.searchPath(list, "", ".exe", out), err::INVALID_PARAMETER);
}
