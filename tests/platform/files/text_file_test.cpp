#include "platform/files/dos_paths.h"
#include "platform/files/text_file.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kp::win;

TEST(TextFile, WriteReplacesAppendExtendsAndReadReturnsTheBytes)
{
    kp::test::TempMachine temp;
    Machine& m = temp.machine();
    EXPECT_EQ(writeTextFile(m, "C:\\notes.txt", "one\r\n"), err::SUCCESS);
    EXPECT_EQ(appendTextFile(m, "c:\\NOTES.TXT", "two\r\n"), err::SUCCESS);
    std::string text;
    EXPECT_EQ(readTextFile(m, "C:\\Notes.txt", text), err::SUCCESS);
    EXPECT_EQ(text, "one\r\ntwo\r\n");
    EXPECT_EQ(writeTextFile(m, "C:\\notes.txt", "three"), err::SUCCESS);
    EXPECT_EQ(temp.readFile("notes.txt"), "three");

    EXPECT_EQ(appendTextFile(m, "C:\\new.log", "x"), err::SUCCESS);
    EXPECT_EQ(temp.readFile("new.log"), "x");
    EXPECT_EQ(readTextFile(m, "C:\\absent.txt", text), err::FILE_NOT_FOUND);
    EXPECT_EQ(readTextFile(m, "C:\\notes.txt", text, 2), err::NOT_ENOUGH_MEMORY);
    EXPECT_EQ(writeTextFile(m, "C:\\no\\such\\file.txt", "x"), err::PATH_NOT_FOUND);
}

TEST(TextFile, AFolderOrALinkInTheFilesPlaceIsRefused)
{
    kp::test::TempMachine temp;
    Machine& m = temp.machine();
    temp.makeDir("dir");
    temp.writeFile("target.txt", "keep");
    ASSERT_EQ(::symlink(temp.hostPath("target.txt").c_str(), temp.hostPath("link.txt").c_str()), 0);
    EXPECT_EQ(appendTextFile(m, "C:\\dir", "x"), err::ACCESS_DENIED);
    EXPECT_NE(appendTextFile(m, "C:\\link.txt", "x"), err::SUCCESS);
    EXPECT_EQ(temp.readFile("target.txt"), "keep");
    std::string text;
    EXPECT_EQ(readTextFile(m, "C:\\dir", text), err::ACCESS_DENIED);
}

TEST(TextFile, ReplaceRefusesAReadOnlyFileAndKeepsTheAttributesOfAWritableOne)
{
    kp::test::TempMachine temp;
    Machine& m = temp.machine();
    temp.writeFile("list.dat", "old");
    ASSERT_EQ(::chmod(temp.hostPath("list.dat").c_str(), 0444), 0);
    EXPECT_EQ(replaceTextFile(m, "C:\\list.dat", "new"), err::ACCESS_DENIED);
    EXPECT_EQ(temp.readFile("list.dat"), "old");

    // The DOS attributes kept are the protect list's test; the host mode is kept too.
    ASSERT_EQ(::chmod(temp.hostPath("list.dat").c_str(), 0640), 0);
    EXPECT_EQ(replaceTextFile(m, "C:\\list.dat", "new"), err::SUCCESS);
    EXPECT_EQ(temp.readFile("list.dat"), "new");
    struct stat st {};
    ASSERT_EQ(::stat(temp.hostPath("list.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    EXPECT_EQ(replaceTextFile(m, "C:\\fresh.dat", "x"), err::SUCCESS);
    std::string text;
    EXPECT_EQ(readTextFile(m, "C:\\FRESH.DAT", text), err::SUCCESS);
}
