#include "platform/files/file_system.h"

#include "platform/machine.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kp::win;
using kp::test::TempMachine;

TEST(FullPathName, ResolvesAgainstTheMachinesCurrentDirectory)
{
    TempMachine tm;
    tm.makeDir("Windows/Temp");
    FileSystem fs(tm.machine());
    char hostCwd[4096];
    ASSERT_TRUE(::getcwd(hostCwd, sizeof hostCwd));

    ASSERT_EQ(fs.setCurrentDirectory("c:\\WINDOWS\\temp"), err::SUCCESS);
    EXPECT_EQ(fs.currentDirectory(), "C:\\WINDOWS\\temp");
    EXPECT_EQ(tm.machine().currentDirectory(), "C:\\WINDOWS\\temp");
    char after[4096];
    ASSERT_TRUE(::getcwd(after, sizeof after));
    EXPECT_STREQ(after, hostCwd); // the host process never moves

    std::string full;
    ASSERT_EQ(fs.fullPathName("x.txt", full), err::SUCCESS);
    EXPECT_EQ(full, "C:\\WINDOWS\\temp\\x.txt");
    ASSERT_EQ(fs.fullPathName("..\\..\\..\\a\\.\\b", full), err::SUCCESS);
    EXPECT_EQ(full, "C:\\a\\b");
    ASSERT_EQ(fs.fullPathName("\\root.txt", full), err::SUCCESS);
    EXPECT_EQ(full, "C:\\root.txt");
    ASSERT_EQ(fs.fullPathName("c:rel", full), err::SUCCESS);
    EXPECT_EQ(full, "C:\\WINDOWS\\temp\\rel");
    ASSERT_EQ(fs.fullPathName("d:rel", full), err::SUCCESS);
    EXPECT_EQ(full, "D:\\rel");
    ASSERT_EQ(fs.fullPathName("C:/x/y/", full), err::SUCCESS);
    EXPECT_EQ(full, "C:\\x\\y\\");
    EXPECT_EQ(fs.fullPathName("", full), err::INVALID_NAME);

    // Relative names reach files too.
    tm.writeFile("Windows/Temp/here.txt", "h");
    EXPECT_TRUE(fs.exists("HERE.TXT"));
    EXPECT_EQ(fs.deleteFile("here.txt"), err::SUCCESS);

    EXPECT_EQ(fs.setCurrentDirectory("C:\\Nope"), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.setCurrentDirectory("C:\\Nope\\Deeper"), err::PATH_NOT_FOUND);
    tm.writeFile("file.txt");
    EXPECT_EQ(fs.setCurrentDirectory("C:\\file.txt"), err::DIRECTORY);
    EXPECT_EQ(fs.currentDirectory(), "C:\\WINDOWS\\temp");
}

TEST(ShortAndLongPaths, MapEveryComponent)
{
    TempMachine tm;
    tm.writeFile("Documents and Settings/User Name/Local Settings/Temporary Internet Files/index.dat");
    FileSystem fs(tm.machine());
    std::string out;
    ASSERT_EQ(fs.shortPathName("c:\\documents and settings\\user name\\LOCAL SETTINGS\\temporary internet files\\"
                               "INDEX.DAT",
                  out),
        err::SUCCESS);
    EXPECT_EQ(out, "C:\\DOCUME~1\\USERNA~1\\LOCALS~1\\TEMPOR~1\\index.dat");
    ASSERT_EQ(fs.longPathName(out, out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\Documents and Settings\\User Name\\Local Settings\\Temporary Internet Files\\index.dat");
    ASSERT_EQ(fs.shortPathName("C:\\", out), err::SUCCESS);
    EXPECT_EQ(out, "C:\\");
    EXPECT_EQ(fs.shortPathName("C:\\Documents and Settings\\nobody.txt", out), err::FILE_NOT_FOUND);
    EXPECT_EQ(fs.longPathName("C:\\NOWHERE~1\\x", out), err::PATH_NOT_FOUND);
}

TEST(SearchPath, WalksTheFolderListInOrder)
{
    TempMachine tm;
    tm.writeFile("Windows/System32/regedit.exe", "sys");
    tm.writeFile("Windows/regedit.exe", "win");
    tm.writeFile("Windows/notes.txt");
    FileSystem fs(tm.machine());
    std::string list = "C:\\Missing;C:\\windows\\system32;;C:\\Windows";
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
