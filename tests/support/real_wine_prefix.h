#pragma once
// Fixtures for tests in which real Wine (Debian's wine64) and the program
// take turns on one prefix: each test gets a fresh copy of a prefix made by
// `wineboot -i` in a temporary folder, is skipped when Wine is not
// installed, and the prefix's Wine session is ended after it.

#include "platform/urlcache/url_cache.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kp::test {

// The prefix and its folder, removed when it goes, its session ended first.
class RealWinePrefix {
public:
    RealWinePrefix();
    ~RealWinePrefix();
    RealWinePrefix(const RealWinePrefix&) = delete;
    RealWinePrefix& operator=(const RealWinePrefix&) = delete;

    // Empty when the prefix is ready, else why it could not be made.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    TempDir dir_;
    std::string path_;
    std::string error_;
};

class RealWinePrefixTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string prefix; // the prefix's folder

private:
    std::unique_ptr<RealWinePrefix> wine_;
};

// The same for tests that also run the URL-cache probe, a Windows program
// built with mingw-w64: skipped when it was not built.
class UrlCacheProbeTest : public RealWinePrefixTest {
protected:
    void SetUp() override;

    // The probe's host path, for wine64's command line.
    static const char* probePath();
    // Runs the probe with `args`, ends the session so that the prefix's
    // files can be read, and returns the output's rows split at tabs.
    std::vector<std::vector<std::string>> probe(std::vector<std::string> args);
    // The cache, cookies and history folders that Wine's shell names.
    kp::win::UrlCacheFolders shellFolders();
};

// The same for tests of the machine's windows: Wine draws with its display
// driver that needs no display, the window probe (a Windows program built
// with mingw-w64) runs in the prefix's session, and the program's window
// helper looks at it. Skipped when the two were not built.
class WineWindowsTest : public RealWinePrefixTest {
protected:
    void SetUp() override;

    static const char* helperPath();
    // Starts the probe, its window of class `className` titled `title`, in
    // the background and waits up to 30 s until it has made its windows.
    bool startWindowProbe(const std::string& title, const std::string& className);
    // What the probe printed so far.
    std::string probeOutput() const;

private:
    std::string probeOutput_;
};

} // namespace kp::test
