// The sample machine's URL cache: what the builder promises is there, read
// back through the shell folders and the WinINet-shaped walk.

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/cookie_file.h"
#include "platform/urlcache/index_dat_file.h"
#include "platform/urlcache/url_cache.h"
#include "tests/support/cache_entries.h"
#include "tests/support/machine_tests.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace kp::win;
using kp::test::BuiltMachine;

namespace {

using Listed = kp::test::CacheEntry;

// Every entry, through a 4096-byte buffer grown as the walk asks;
// `largest` is the largest size it asked for.
std::vector<Listed> walk(UrlCache& cache, DWORD& largest)
{
    const kp::test::CacheWalk w = kp::test::walkCache(cache);
    EXPECT_EQ(w.end, err::NO_MORE_ITEMS);
    largest = w.largest;
    return w.entries;
}

// The host path of an existing file, or "".
std::string existingHostPath(Machine& machine, const std::string& winPath)
{
    std::string host;
    bool found = false;
    return machine.paths().toHost(winPath, host, &found) == err::SUCCESS && found ? host : "";
}

using SampleUrlCache = kp::test::OnSampleMachine;

} // namespace

TEST_F(SampleUrlCache, HoldsEveryKindOfEntryTheCleanerMeets)
{
    UrlCache cache(machine());
    ASSERT_FALSE(cache.folders().cache.empty());
    DWORD largest = 0;
    const std::vector<Listed> listed = walk(cache, largest);
    EXPECT_GT(largest, 4096u) << "one record needs a larger buffer";

    int missingFiles = 0;
    std::set<std::string> localFiles;
    for (const Listed& l : listed) {
        if (l.local.empty())
            continue;
        const std::string host = existingHostPath(machine(), l.local);
        if (host.empty()) {
            ++missingFiles;
            continue;
        }
        localFiles.insert(host);
        EXPECT_EQ(std::filesystem::file_size(host), l.size) << l.url;
        if (upperAscii(l.url).starts_with("COOKIE:")) {
            std::vector<CookieRecord> cookies;
            EXPECT_EQ(parseCookieFile(kp::test::readFile(host), cookies), err::SUCCESS);
            EXPECT_FALSE(cookies.empty());
        }
    }
    EXPECT_EQ(missingFiles, 1);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
        [](const Listed& l) { return l.url.ends_with(".cdf") && (l.type & STICKY_CACHE_ENTRY); }));

    int strays = 0;
    for (const std::string& folder : {cache.folders().cookies, cache.containerFolder("")}) {
        for (const auto& file : std::filesystem::recursive_directory_iterator(existingHostPath(machine(), folder))) {
            const std::string name = upperAscii(file.path().filename().string());
            strays += file.is_regular_file() && name != "INDEX.DAT" && name != "DESKTOP.INI"
                && !localFiles.count(file.path().string());
        }
    }
    EXPECT_EQ(strays, 2) << "a cache file and a cookie file that no entry names";
}

TEST_F(SampleUrlCache, TheSmallestEntriesTakeOneBlockEach)
{
    kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.smallestCacheEntries = true;
    recipe.cacheEntries = 300;
    BuiltMachine built(recipe);
    ASSERT_TRUE(built.ok());
    UrlCache cache(built.machine());
    DWORD largest = 0;
    std::vector<Listed> small;
    for (const Listed& l : walk(cache, largest))
        if (l.url.starts_with("http://c/"))
            small.push_back(l);
    ASSERT_EQ(small.size(), std::size_t(recipe.cacheEntries));
    IndexDatFile index;
    ASSERT_EQ(index.open(existingHostPath(built.machine(), cache.containerFolder("") + "\\index.dat")), err::SUCCESS);
    for (const Listed& l : small) {
        EXPECT_NE(existingHostPath(built.machine(), l.local), "") << l.local;
        UrlRecord record;
        ASSERT_EQ(index.index().find(l.url, record), err::SUCCESS) << l.url;
        EXPECT_EQ(record.blocks, 1u) << l.url;
    }
}
