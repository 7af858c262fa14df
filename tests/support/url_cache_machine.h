#pragma once
// A built machine with a purge run over it, its browser folders found where
// its URL cache says: for the URL-cache, history and stray purges.

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/url_cache.h"
#include "purge/url_cache_purge.h"
#include "tests/support/built_machine.h"
#include "tests/support/cache_entries.h"
#include "tests/support/listed_windows.h"
#include "tests/support/purge_run.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kp::test {

struct UrlCacheMachine : PurgeRun {
    explicit UrlCacheMachine(std::vector<std::string> args = {},
                             const kp::sample::MachineSpec& recipe = BuiltMachine::fixedSpec())
        : PurgeRun(nullptr, std::move(args))
        , built(recipe)
        , cache(built.machine())
        , services(built.machine(), windows, messages, errors, run, general)
    {
        context.machine = &built.machine();
        folders.cacheFolder = win::upperAscii(cache.containerFolder(""));
        folders.cookiesFolder = win::upperAscii(cache.folders().cookies);
        folders.historyFolder = win::upperAscii(cache.containerFolder("Visited:"));
        folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
    }

    // The host path of a Windows path in any letter case.
    std::string host(const std::string& winPath)
    {
        std::string out;
        EXPECT_EQ(built.machine().paths().toHost(winPath, out), win::err::SUCCESS) << winPath;
        return out;
    }

    bool exists(const std::string& winPath)
    {
        std::string out;
        struct stat st {};
        return built.machine().paths().toHost(winPath, out) == win::err::SUCCESS && ::lstat(out.c_str(), &st) == 0;
    }

    std::vector<CacheEntry> entries(const char* pattern = nullptr) { return listCacheEntries(cache, pattern); }

    std::set<std::string> urls(const char* pattern = nullptr)
    {
        std::set<std::string> out;
        for (const CacheEntry& e : entries(pattern))
            out.insert(e.url);
        return out;
    }

    BuiltMachine built;
    ListedWindows windows;
    win::UrlCache cache;
    UrlCacheServices services;
};

} // namespace kp::test
