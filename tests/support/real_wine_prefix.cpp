#include "tests/support/real_wine_prefix.h"

#include "tests/support/child_process.h"
#include "tests/support/wine_prefix.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace kp::test {

RealWinePrefix::RealWinePrefix()
    : path_(dir_.path() + "/prefix")
{
    makeRealWinePrefix(path_, error_);
}

RealWinePrefix::~RealWinePrefix()
{
    stopWineSession(path_);
}

void RealWinePrefixTest::SetUp()
{
    if (!wineAvailable())
        GTEST_SKIP() << "Wine is not installed (" << kWineLoader << ")";
    wine_ = std::make_unique<RealWinePrefix>();
    ASSERT_EQ(wine_->error(), "") << "no Wine prefix";
    prefix = wine_->path();
}

void RealWinePrefixTest::TearDown()
{
    wine_.reset();
}

const char* UrlCacheProbeTest::probePath()
{
#ifdef KP_URLCACHE_PROBE
    return KP_URLCACHE_PROBE;
#else
    return nullptr;
#endif
}

void UrlCacheProbeTest::SetUp()
{
    if (!probePath() || ::access(probePath(), R_OK) != 0)
        GTEST_SKIP() << "the Windows probe was not built (it needs the mingw-w64 cross compiler)";
    RealWinePrefixTest::SetUp();
}

std::vector<std::vector<std::string>> UrlCacheProbeTest::probe(std::vector<std::string> args)
{
    return tabbedRows(runWineProgram(prefix, probePath(), std::move(args)));
}

kp::win::UrlCacheFolders UrlCacheProbeTest::shellFolders()
{
    kp::win::UrlCacheFolders folders;
    for (const auto& f : probe({"folders"})) {
        if (f.size() != 3 || f[0] != "folder")
            continue;
        if (f[1] == "32")
            folders.cache = f[2];
        if (f[1] == "33")
            folders.cookies = f[2];
        if (f[1] == "34")
            folders.history = f[2];
    }
    return folders;
}

const char* WineWindowsTest::helperPath()
{
#ifdef KP_WINDOW_HELPER
    return KP_WINDOW_HELPER;
#else
    return nullptr;
#endif
}

void WineWindowsTest::SetUp()
{
#ifdef KP_WINDOW_PROBE
    const bool built = helperPath() && ::access(helperPath(), R_OK) == 0 && ::access(KP_WINDOW_PROBE, R_OK) == 0;
#else
    const bool built = false;
#endif
    if (!built)
        GTEST_SKIP() << "the window helper and probe were not built (they need the mingw-w64 cross compiler)";
    RealWinePrefixTest::SetUp();
    if (HasFatalFailure() || IsSkipped())
        return;
    std::string out;
    ASSERT_EQ(runWine(prefix, {"reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"},
                      out), 0);
    ASSERT_TRUE(stopWineSession(prefix));
    probeOutput_ = prefix + "/../window_probe.out";
}

bool WineWindowsTest::startWindowProbe([[maybe_unused]] const std::string& title,
                                       [[maybe_unused]] const std::string& className)
{
#ifdef KP_WINDOW_PROBE
    const Environment env = {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    if (runProgram({"/bin/sh", "-c", "\"$0\" \"$1\" \"$2\" \"$3\" > \"$4\" 2>/dev/null &", kWineLoader, KP_WINDOW_PROBE,
                    title, className, probeOutput_},
                   env, nullptr) != 0)
        return false;
    for (int i = 0; i < 300; ++i) {
        if (probeOutput().find("ready\n") != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
#endif
    return false;
}

std::string WineWindowsTest::probeOutput() const
{
    return ::access(probeOutput_.c_str(), R_OK) == 0 ? readFile(probeOutput_) : std::string();
}

} // namespace kp::test
