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
    for (const char* bad : {"\\no\\drive", "", "1:\\x"})
        EXPECT_EQ(splitWindowsPath(bad, drive, parts), err::INVALID_NAME) << bad;

    for (const char* name : {"README.TXT", "readme.txt", "A~1"})
        EXPECT_TRUE(isValidShortName(name)) << name;
    for (const char* name : {"Program Files", "toolongname.txt", "a.b.c", "name.html", ".hidden", "trail.", "caf\xc3\xa9"})
        EXPECT_FALSE(isValidShortName(name)) << name;
}

TEST(WindowsNames, CaseFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(upperAscii("caf\xc3\xa9 Temp~1.txt"), "CAF\xc3\xa9 TEMP~1.TXT");
    EXPECT_EQ(lowerAscii("CAF\xc3\x89 Temp~1.TXT"), "caf\xc3\x89 temp~1.txt");
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
