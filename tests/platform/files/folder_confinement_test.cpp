// Whether a path stays inside a folder: names that climb out with "..",
// links below the folder that lead elsewhere, a folder reached through a
// link, and a folder whose name is a prefix of another's.

#include "platform/files/folder_confinement.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp::win;
using kp::test::TempMachine;

namespace {
bool inside(Machine& machine, const char* folder, const char* path)
{
    bool result = true;
    EXPECT_EQ(pathInsideFolder(machine, folder, path, result), err::SUCCESS) << path;
    return result;
}
} // namespace

TEST(FolderConfinement, FollowsLinksButNotTheLastName)
{
    TempMachine tm;
    tm.writeFile("cache/sub/a.txt", "a");
    tm.writeFile("cache2/b.txt", "b");
    tm.writeFile("elsewhere/important.doc", "keep");
    std::filesystem::create_directory_symlink(tm.hostPath("elsewhere"), tm.hostPath("cache/out"));
    std::filesystem::create_symlink(tm.hostPath("elsewhere/important.doc"), tm.hostPath("cache/link.doc"));
    Machine& m = tm.machine();

    EXPECT_TRUE(inside(m, "C:\\cache", "C:\\cache\\sub\\a.txt"));
    EXPECT_TRUE(inside(m, "C:\\CACHE", "C:\\Cache\\SUB\\A.TXT"));
    EXPECT_TRUE(inside(m, "C:\\cache", "C:\\cache\\link.doc")) << "a link is a name in the folder";
    EXPECT_FALSE(inside(m, "C:\\cache", "C:\\cache\\out\\important.doc")) << "a folder link leads out";
    EXPECT_FALSE(inside(m, "C:\\cache", "C:\\cache2\\b.txt"));
    EXPECT_FALSE(inside(m, "C:\\cache", "C:\\elsewhere\\important.doc"));
    EXPECT_FALSE(inside(m, "C:\\cache", "C:\\cache\\missing\\x.txt"));
    EXPECT_FALSE(inside(m, "C:\\cache", "C:\\cache\\sub\\..\\..\\elsewhere\\important.doc"));

    std::filesystem::create_directory_symlink(tm.hostPath("cache"), tm.hostPath("moved cache"));
    EXPECT_TRUE(inside(m, "C:\\Moved Cache", "C:\\moved cache\\sub\\a.txt")) << "the folder itself may be a link";
    EXPECT_FALSE(inside(m, "C:\\Moved Cache", "C:\\moved cache\\out\\important.doc"));

    bool result = true;
    EXPECT_EQ(pathInsideFolder(m, "C:\\nothing", "C:\\nothing\\x", result), err::PATH_NOT_FOUND);
    EXPECT_FALSE(result);
}
