#include "platform/system/wine_session.h"

#include "tests/support/temp_machine.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>


using namespace kp::win;
using kp::test::TempMachine;

namespace {

bool waitFor(const std::string& prefix, bool running)
{
    for (int i = 0; i < 200; ++i) {
        if (detectWineSession(prefix).running == running)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(WineSession, ServerFoldersFollowWinesNaming)
{
    TempMachine tm;
    struct stat st {};
    ASSERT_EQ(::stat(tm.prefixDir().c_str(), &st), 0);
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", (unsigned long long)st.st_dev, (unsigned long long)st.st_ino);
    std::string upstream = "/tmp/.wine-" + std::to_string(::getuid()) + "/" + leaf;
    EXPECT_EQ(wineServerDirs(tm.prefixDir()), std::vector<std::string> {upstream});
    EXPECT_EQ(wineServerDirs(tm.prefixDir() + "/missing"), std::vector<std::string> {});

    // Debian's private folder, named in the prefix; a name with a path is ignored.
    { std::ofstream(tm.prefixDir() + "/wineserver") << "wine-AbC123"; }
    auto dirs = wineServerDirs(tm.prefixDir());
    ASSERT_FALSE(dirs.empty());
    EXPECT_EQ(dirs.back(), upstream);
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), std::string("/tmp/wine-AbC123/") + leaf), dirs.end());
    { std::ofstream(tm.prefixDir() + "/wineserver") << "../etc"; }
    EXPECT_EQ(wineServerDirs(tm.prefixDir()), std::vector<std::string> {upstream});
    EXPECT_FALSE(detectWineSession(tm.prefixDir()).running);
}

TEST(WineSession, AStaleLockFileIsNoSession)
{
    TempMachine tm;
    std::string dir = wineServerDirs(tm.prefixDir()).back();
    std::filesystem::create_directories(dir);
    { std::ofstream(dir + "/lock") << ""; }
    WineSession session = detectWineSession(tm.prefixDir());
    EXPECT_FALSE(session.running);
    EXPECT_EQ(session.serverDir, dir);
    std::filesystem::remove_all(dir);
}

TEST(WineSession, DetectsARealWineServer)
{
    if (::access(kp::test::kWineServer, X_OK) != 0)
        GTEST_SKIP() << "Wine is not installed";
    TempMachine tm;
    const std::string prefix = tm.prefixDir();
    ASSERT_EQ(kp::test::runWineServer(prefix, "-p5"), 0);
    struct Stop {
        std::string prefix;
        ~Stop() { kp::test::runWineServer(prefix, "-k"); }
    } stop {prefix};

    ASSERT_TRUE(waitFor(prefix, true));
    WineSession session = detectWineSession(prefix);
    EXPECT_GT(session.serverPid, 0);
    EXPECT_EQ(::kill(pid_t(session.serverPid), 0), 0);
    EXPECT_TRUE(std::filesystem::is_socket(session.serverDir + "/socket"));

    // Another prefix is not served by it.
    TempMachine other;
    EXPECT_FALSE(detectWineSession(other.prefixDir()).running);

    kp::test::runWineServer(prefix, "-k");
    EXPECT_TRUE(waitFor(prefix, false));
    std::filesystem::remove_all(session.serverDir);
}
