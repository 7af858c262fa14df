#include "platform/files/win_path.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kp::win;

TEST(WindowsPathSplit, NormalisesDotsSlashesAndTrailingNoise)
{
    char drive = 0;
    std::vector<std::string> parts;
    ASSERT_EQ(splitWindowsPath("c:/a\\.\\b\\..\\c.\\d ", drive, parts), err::SUCCESS);
    EXPECT_EQ(drive, 'C');
    EXPECT_EQ(parts, (std::vector<std::string> {"a", "c", "d"}));

    ASSERT_EQ(splitWindowsPath("C:\\..\\..\\x", drive, parts), err::SUCCESS);
    EXPECT_EQ(parts, std::vector<std::string> {"x"});

    ASSERT_EQ(splitWindowsPath("\\\\?\\D:\\y", drive, parts), err::SUCCESS);
    EXPECT_EQ(drive, 'D');
    EXPECT_EQ(parts, std::vector<std::string> {"y"});

    EXPECT_EQ(splitWindowsPath("\\no\\drive", drive, parts), err::INVALID_NAME);
    EXPECT_EQ(splitWindowsPath("", drive, parts), err::INVALID_NAME);
    EXPECT_EQ(splitWindowsPath("1:\\x", drive, parts), err::INVALID_NAME);
}

TEST(ShortNames, ValidityFollowsTheEightDotThreeRules)
{
    EXPECT_TRUE(isValidShortName("README.TXT"));
    EXPECT_TRUE(isValidShortName("readme.txt"));
    EXPECT_TRUE(isValidShortName("A~1"));
    EXPECT_FALSE(isValidShortName("Program Files"));
    EXPECT_FALSE(isValidShortName("toolongname.txt"));
    EXPECT_FALSE(isValidShortName("a.b.c"));
    EXPECT_FALSE(isValidShortName("name.html"));
    EXPECT_FALSE(isValidShortName(".hidden"));
    EXPECT_FALSE(isValidShortName("trail."));
    EXPECT_FALSE(isValidShortName("caf\xc3\xa9"));
}

TEST(WindowsNames, CaseFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(upperAscii("caf\xc3\xa9 Temp~1.txt"), "CAF\xc3\xa9 TEMP~1.TXT");
    EXPECT_TRUE(equalNoCase("Content.IE5", "CONTENT.ie5"));
    EXPECT_FALSE(equalNoCase("caf\xc3\xa9", "CAF\xc3\x89"));
    EXPECT_FALSE(equalNoCase("abc", "abcd"));
    EXPECT_TRUE(startsWithNoCase("cookie:user@site/", "COOKIE:"));
    EXPECT_FALSE(startsWithNoCase("Cook", "COOKIE:"));
}

TEST(WindowsNames, APathSplitsAtItsLastBackslash)
{
    for (auto [path, folder, name] : {
             std::tuple {"C:\\Temp\\a.txt", "C:\\Temp", "a.txt"},
             std::tuple {"C:\\a.txt", "C:", "a.txt"},
             std::tuple {"C:\\Temp\\", "C:\\Temp", ""},
             std::tuple {"a.txt", "", "a.txt"},
             std::tuple {"C:/Temp/a.txt", "", "C:/Temp/a.txt"},
         }) {
        EXPECT_EQ(folderOf(path), folder) << path;
        EXPECT_EQ(nameOf(path), name) << path;
    }
}
