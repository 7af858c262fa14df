// Clearing an index file in place on the sample machine's real index files:
// the result stays a valid, empty index that msiecfexport reads and the URL
// cache keeps using; open browsers refuse it;
// damaged, short and unwritable files are left as they were.

#include "core/keywords.h"
#include "platform/files/dos_paths.h"
#include "platform/urlcache/url_cache.h"
#include "purge/browser_window.h"
#include "purge/index_file_clear.h"
#include "tests/support/built_machine.h"
#include "tests/support/cache_entries.h"
#include "tests/support/listed_windows.h"
#include "tests/support/msiecf_export.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>


using namespace kp;
using kp::test::BuiltMachine;

namespace {

struct ClearFixture {
    ClearFixture() : cache(built.machine())
    {
        visitedIndex = cache.containerFolder("Visited:") + "\\index.dat";
        EXPECT_EQ(built.machine().paths().toHost(visitedIndex, visitedHost), win::err::SUCCESS);
    }

    bool clear(const std::string& path, std::string& status, std::vector<std::string> args = {})
    {
        return ClearIndexFile(built.machine(), browsers, Keywords(std::move(args)), path, 'V', status);
    }

    int count(const char* pattern) { return int(kp::test::listCacheEntries(cache, pattern).size()); }

    BuiltMachine built;
    win::UrlCache cache;
    test::ListedWindows windows;
    BrowserWindows browsers{windows, ""};
    std::string visitedIndex, visitedHost;
};

std::uint32_t le32(const std::string& bytes, std::size_t at)
{
    return std::uint8_t(bytes[at]) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8
        | std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
}

} // namespace

TEST(ClearIndexFile, EmptiesTheVisitedIndexInPlaceLeavingAValidIndex)
{
    ClearFixture f;
    ASSERT_TRUE(f.built.ok());
    const int cookiesBefore = f.count("Cookie:");
    ASSERT_GT(f.count("Visited:"), 0);
    struct stat before {};
    ASSERT_EQ(::stat(f.visitedHost.c_str(), &before), 0);

    std::string status;
    ASSERT_TRUE(f.clear(f.visitedIndex, status)) << status;
    EXPECT_EQ(status, "Processed with no Errors...");

    struct stat after {};
    ASSERT_EQ(::stat(f.visitedHost.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "edited in place";
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(f.count("Visited:"), 0);
    EXPECT_EQ(f.count("Cookie:"), cookiesBefore) << "other containers untouched";

    // Only the hash tables stay allocated, and the header counts them.
    const std::string bytes = kp::test::readFile(f.visitedHost);
    const std::uint32_t first = le32(bytes, 32);
    std::uint32_t tables = 0;
    for (std::uint32_t at = first; at; at = le32(bytes, at + 8))
        ++tables;
    EXPECT_EQ(le32(bytes, 40), tables * 32);
    for (std::uint32_t at = first + 4096; at + 128 <= bytes.size(); at += 128) {
        if (bytes.compare(at, 4, "HASH") != 0) {
            EXPECT_TRUE(bytes.compare(at, 4, "\x0D\xF0\xAD\x0B") == 0 || bytes.substr(at, 128) == std::string(128, '\0'))
                << "block at " << at;
        }
    }

    if (kp::test::msiecfExporterAvailable()) {
        std::multiset<std::string> locations;
        std::string text;
        EXPECT_TRUE(kp::test::exportLocations(f.visitedHost, locations, text)) << text.substr(0, 2000);
        EXPECT_TRUE(locations.empty()) << "nothing left to recover";
    }

    // The cache goes on using the cleared file.
    win::UrlCacheCommit visit;
    visit.url = "Visited: owner@http://after.example.com/";
    EXPECT_EQ(f.cache.commitUrlCacheEntry(visit), win::err::SUCCESS);
    EXPECT_EQ(f.count("Visited:"), 1);
}

TEST(ClearIndexFile, AnOpenBrowserRefusesItUnlessNoie)
{
    ClearFixture f;
    ASSERT_TRUE(f.built.ok());
    const std::string original = kp::test::readFile(f.visitedHost);
    const std::pair<win::TopLevelWindow, const char*> cases[] = {
        {{"IEFrame", "Home", true, {}}, "Found active IE window..."},
        {{"IEFrame", "Home", false, {}}, "Found invisible IE window..."},
        {{"MSN6 Window", "MSN", true, {"Browser"}}, "Found active MSN window..."},
        {{"MSN9 Window", "MSN", false, {"Browser"}}, "Found invisible MSN window..."},
    };
    for (const auto& [window, expected] : cases) {
        f.windows.windows = {window};
        std::string status;
        EXPECT_FALSE(f.clear(f.visitedIndex, status));
        EXPECT_EQ(status, expected);
        EXPECT_EQ(kp::test::readFile(f.visitedHost), original);
    }
    std::string status;
    EXPECT_TRUE(f.clear(f.visitedIndex, status, {"noie"}));
    EXPECT_EQ(f.count("Visited:"), 0);
}

TEST(ClearIndexFile, LeavesShortDamagedAndUnwritableFilesAsTheyWere)
{
    ClearFixture f;
    ASSERT_TRUE(f.built.ok());
    std::string status;
    EXPECT_FALSE(f.clear(f.cache.containerFolder("Visited:") + "\\missing.dat", status));
    EXPECT_EQ(status, "Error GetFileSize");

    const std::string shortHost = f.visitedHost + ".short";
    kp::test::writeFile(shortHost, std::string(16383, 'x'));
    f.built.machine().paths().forget(shortHost.substr(0, shortHost.rfind('/')));
    EXPECT_FALSE(f.clear(f.visitedIndex + ".short", status));
    EXPECT_EQ(status, "Error GetFileSize");

    std::string damaged = kp::test::readFile(f.visitedHost);
    damaged.replace(le32(damaged, 32), 4, "HASX");
    kp::test::writeFile(f.visitedHost, damaged);
    EXPECT_FALSE(f.clear(f.visitedIndex, status));
    EXPECT_EQ(status, "Error Modifying file");
    EXPECT_EQ(kp::test::readFile(f.visitedHost), damaged);

    std::string looped = kp::test::readFile(f.visitedHost);
    const std::uint32_t first = le32(looped, 32);
    looped.replace(first, 4, "HASH");
    for (int i = 0; i < 4; ++i)
        looped[first + 8 + std::size_t(i)] = char(first >> (8 * i));
    kp::test::writeFile(f.visitedHost, looped);
    EXPECT_FALSE(f.clear(f.visitedIndex, status)) << "a chain that loops ends";
    EXPECT_EQ(status, "Error Modifying file");

    // A file it cannot write is a failure, not a success.
    const std::string cookieIndex = f.cache.containerFolder("Cookie:") + "\\index.dat";
    std::string cookieHost;
    ASSERT_EQ(f.built.machine().paths().toHost(cookieIndex, cookieHost), win::err::SUCCESS);
    const std::string original = kp::test::readFile(cookieHost);
    ASSERT_EQ(::chmod(cookieHost.c_str(), 0444), 0);
    EXPECT_FALSE(f.clear(cookieIndex, status));
    EXPECT_EQ(status, "Error Writing file");
    ::chmod(cookieHost.c_str(), 0644);
    EXPECT_EQ(kp::test::readFile(cookieHost), original);
}
