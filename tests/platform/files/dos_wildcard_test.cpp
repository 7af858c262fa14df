#include "platform/files/dos_wildcard.h"

#include <gtest/gtest.h>

using kp::win::matchesDosMask;

TEST(DosMask, StarDotStarMatchesEveryNameWithOrWithoutDot)
{
    for (const char* name : {"a.txt", "README", "x.tar.gz", ".profile", "a.", ".", ".."})
        EXPECT_TRUE(matchesDosMask(name, "*.*")) << name;
    EXPECT_TRUE(matchesDosMask("anything", "*"));
}

TEST(DosMask, ExtensionMasksCompareWithoutCase)
{
    EXPECT_TRUE(matchesDosMask("Internet Explorer.LNK", "*.lnk"));
    EXPECT_TRUE(matchesDosMask("a.b.lnk", "*.lnk"));
    EXPECT_FALSE(matchesDosMask("a.lnk.txt", "*.lnk"));
    EXPECT_FALSE(matchesDosMask("lnk", "*.lnk"));
    EXPECT_FALSE(matchesDosMask("x.lnkx", "*.lnk"));
    EXPECT_TRUE(matchesDosMask("index.dat", "INDEX.DAT"));
    EXPECT_TRUE(matchesDosMask("MSHist012006010220060109", "mshist*"));
}

TEST(DosMask, QuestionMarkIsOneCharacterOrNoneAtTheEndOfAPart)
{
    EXPECT_TRUE(matchesDosMask("a", "?"));
    EXPECT_FALSE(matchesDosMask("ab", "?"));
    EXPECT_TRUE(matchesDosMask("ab.txt", "a?.txt"));
    EXPECT_TRUE(matchesDosMask("a.txt", "a?.txt"));
    EXPECT_FALSE(matchesDosMask("abc.txt", "a?.txt"));
    EXPECT_TRUE(matchesDosMask("file1.tmp", "????????.???"));
    EXPECT_FALSE(matchesDosMask("longername.tmp", "????????.???"));
}

TEST(DosMask, StarDotMatchesNamesWithoutExtension)
{
    EXPECT_TRUE(matchesDosMask("README", "*."));
    EXPECT_FALSE(matchesDosMask("a.txt", "*."));
    EXPECT_TRUE(matchesDosMask("file", "file."));
}

TEST(DosMask, PathologicalMasksFinish)
{
    std::string name(200, 'a');
    EXPECT_FALSE(matchesDosMask(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_FALSE(matchesDosMask("x", ""));
}
