#include "tests/support/real_wine_prefix.h"

#include "tests/support/wine_prefix.h"

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

} // namespace kp::test
