#include "platform/files/dos_wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kp::win::matchesDosMask;

TEST(DosMask, MatchesAsWindowsDoes)
{
    const std::string manyAs(200, 'a');
    const struct {
        const char* mask;
        std::vector<const char*> matching, other;
    } cases[] = {
        {"*.*", {"a.txt", "README", "x.tar.gz", ".profile", "a.", ".", ".."}, {}},
        {"*", {"anything"}, {}},
        {"*.lnk", {"Internet Explorer.LNK", "a.b.lnk"}, {"a.lnk.txt", "lnk", "x.lnkx"}},
        {"INDEX.DAT", {"index.dat"}, {}},
        {"mshist*", {"MSHist012006010220060109"}, {}},
        // "?" is one character, or none at the end of a part.
        {"?", {"a"}, {"ab"}},
        {"a?.txt", {"ab.txt", "a.txt"}, {"abc.txt"}},
        {"????????.???", {"file1.tmp"}, {"longername.tmp"}},
        // "*." is a name without extension.
        {"*.", {"README"}, {"a.txt"}},
        {"file.", {"file"}, {}},
        {"", {}, {"x"}},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", {}, {manyAs.c_str()}},
    };
    for (const auto& c : cases) {
        for (const char* name : c.matching)
            EXPECT_TRUE(matchesDosMask(name, c.mask)) << name << " " << c.mask;
        for (const char* name : c.other)
            EXPECT_FALSE(matchesDosMask(name, c.mask)) << name << " " << c.mask;
    }
}
