#include "platform/dos_paths.h"
#include "platform/text_file.h"
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
