// The sample machine's URL cache: what the builder promises is there, read
// back through the shell folders and the WinINet-shaped walk, and
// msiecfexport (libmsiecf) lists exactly our records in every container,
// before and after deletions, with no trace of deleted ones.

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/cookie_file.h"
#include "platform/urlcache/index_dat_file.h"
#include "platform/urlcache/url_cache.h"
#include "tests/support/built_machine.h"
#include "tests/support/msiecf_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace kp::win;
using kp::test::BuiltMachine;
using kp::test::exportLocations;

namespace {

struct Listed {
    std::string url;
    std::string local;
    DWORD type = 0;
    DWORD size = 0;
};

std::vector<Listed> walk(UrlCache& cache, DWORD& largest)
{
    std::vector<Listed> out;
    std::vector<std::uint64_t> buffer(4096 / 8);
    auto info = [&] { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()); };
    DWORD size = 4096;
    largest = 0;
    UrlCacheFindHandle handle = 0;
    DWORD e = cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info(), size, handle);
    for (;;) {
        if (e == err::INSUFFICIENT_BUFFER) {
            largest = std::max(largest, size);
            buffer.resize(size / 8 + 1);
            e = handle ? cache.findNextUrlCacheEntryEx(handle, info(), size)
                       : cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info(), size, handle);
        }
        if (e)
            break;
        out.push_back({info()->lpszSourceUrlName, info()->lpszLocalFileName ? info()->lpszLocalFileName : "",
                       info()->CacheEntryType, info()->dwSizeLow});
        size = DWORD(buffer.size() * 8);
        e = cache.findNextUrlCacheEntryEx(handle, info(), size);
    }
    EXPECT_EQ(e, err::NO_MORE_ITEMS);
    if (handle) {
        EXPECT_EQ(cache.findCloseUrlCache(handle), err::SUCCESS);
    }
    return out;
}

bool exists(Machine& machine, const std::string& winPath)
{
    std::string host;
    bool found = false;
    return machine.paths().toHost(winPath, host, &found) == err::SUCCESS && found;
}

} // namespace

TEST(SampleUrlCache, HoldsEveryKindOfEntryTheCleanerMeets)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    const kp::sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    UrlCache cache(built.machine());
    ASSERT_FALSE(cache.folders().cache.empty());
    DWORD largest = 0;
    const std::vector<Listed> listed = walk(cache, largest);
    EXPECT_GT(largest, 4096u) << "one record needs a larger buffer";

    std::map<char, int> kinds;
    int missingFiles = 0;
    std::set<std::string> locals;
    for (const Listed& l : listed) {
        const std::string upper = upperAscii(l.url);
        const char kind = upper.starts_with("COOKIE:") ? 'C' : upper.starts_with("VISITED:") ? 'V'
            : upper.starts_with(":")                                                        ? 'D'
            : (l.type & STICKY_CACHE_ENTRY)                                                 ? 'S'
                                                                                            : 'N';
        ++kinds[kind];
        if (!l.local.empty()) {
            locals.insert(upperAscii(l.local));
            if (!exists(built.machine(), l.local)) {
                ++missingFiles;
                continue;
            }
            std::string host;
            ASSERT_EQ(built.machine().paths().toHost(l.local, host), err::SUCCESS);
            struct stat st {};
            ::stat(host.c_str(), &st);
            EXPECT_EQ(QWORD(st.st_size), l.size) << l.url;
        }
        if (kind == 'C') {
            std::string host;
            ASSERT_EQ(built.machine().paths().toHost(l.local, host), err::SUCCESS);
            std::ifstream in(host, std::ios::binary);
            std::vector<CookieRecord> cookies;
            EXPECT_EQ(parseCookieFile(std::string((std::istreambuf_iterator<char>(in)), {}), cookies), err::SUCCESS);
            EXPECT_FALSE(cookies.empty());
        }
    }
    EXPECT_GE(kinds['N'], recipe.cacheEntries);
    EXPECT_EQ(kinds['S'], recipe.offlineEntries + 1);
    EXPECT_EQ(kinds['C'], recipe.cookies);
    EXPECT_EQ(kinds['V'], recipe.visitedUrls);
    EXPECT_EQ(kinds['D'], recipe.historyDays * recipe.historyEntries);
    EXPECT_EQ(missingFiles, 1);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const Listed& l) {
        return l.url.ends_with(".cdf") && (l.type & STICKY_CACHE_ENTRY);
    }));

    int strays = 0;
    for (const std::string& folder : {cache.folders().cookies, cache.containerFolder("")}) {
        std::string host;
        ASSERT_EQ(built.machine().paths().toHost(folder, host), err::SUCCESS);
        for (const DosPaths::Name& sub : built.machine().paths().listing(host)) {
            std::string subHost = host + "/" + sub.longName;
            struct stat st {};
            ::stat(subHost.c_str(), &st);
            const std::vector<std::string> files = S_ISDIR(st.st_mode)
                ? [&] {
                      std::vector<std::string> names;
                      for (const DosPaths::Name& n : built.machine().paths().listing(subHost))
                          names.push_back(folder + "\\" + sub.longName + "\\" + n.longName);
                      return names;
                  }()
                : std::vector<std::string> {folder + "\\" + sub.longName};
            for (const std::string& file : files) {
                const std::string upper = upperAscii(file);
                if (!upper.ends_with("\\INDEX.DAT") && !upper.ends_with("\\DESKTOP.INI") && !locals.count(upper))
                    ++strays;
            }
        }
    }
    EXPECT_EQ(strays, 2) << "a cache file and a cookie file that no entry names";
}

TEST(SampleUrlCache, ExporterListsExactlyOurRecordsBeforeAndAfterDeletions)
{
    if (!kp::test::msiecfExporterAvailable())
        GTEST_SKIP() << "msiecfexport (libmsiecf-utils) is not installed";
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    UrlCache cache(built.machine());

    std::vector<std::string> indexes;
    for (const std::string& folder : {cache.containerFolder(""), cache.containerFolder("Cookie:"),
                                      cache.containerFolder("Visited:")})
        indexes.push_back(folder + "\\index.dat");
    std::string historyHost;
    ASSERT_EQ(built.machine().paths().toHost(cache.containerFolder("Visited:"), historyHost), err::SUCCESS);
    for (const DosPaths::Name& n : built.machine().paths().listing(historyHost))
        if (upperAscii(n.longName).starts_with("MSHIST01"))
            indexes.push_back(cache.containerFolder("Visited:") + "\\" + n.longName + "\\index.dat");
    ASSERT_EQ(indexes.size(), 3u + std::size_t(BuiltMachine::fixedSpec().historyDays));

    auto exported = [&](std::string* allText) {
        std::multiset<std::string> locations;
        for (const std::string& index : indexes) {
            std::string host, text;
            EXPECT_EQ(built.machine().paths().toHost(index, host), err::SUCCESS);
            EXPECT_TRUE(exportLocations(host, locations, text)) << index << "\n" << text.substr(0, 2000);
            if (allText)
                *allText += text;
        }
        return locations;
    };
    auto ours = [&] {
        DWORD largest;
        std::multiset<std::string> urls;
        for (const Listed& l : walk(cache, largest))
            urls.insert(l.url);
        return urls;
    };
    const std::multiset<std::string> before = ours();
    EXPECT_GT(before.size(), 300u);
    EXPECT_EQ(exported(nullptr), before);

    std::vector<std::string> deleted;
    std::size_t i = 0;
    for (const std::string& url : before)
        if (i++ % 3 == 0) {
            ASSERT_EQ(cache.deleteUrlCacheEntry(url), err::SUCCESS) << url;
            deleted.push_back(url);
        }
    const std::multiset<std::string> after = ours();
    EXPECT_EQ(after.size(), before.size() - deleted.size());
    std::string text;
    EXPECT_EQ(exported(&text), after);
    for (const std::string& url : deleted)
        EXPECT_EQ(text.find(": " + url + "\n"), std::string::npos) << "recoverable: " << url;
}

TEST(SampleUrlCache, TheSmallestEntriesTakeOneBlockEach)
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

    std::string indexHost;
    ASSERT_EQ(built.machine().paths().toHost(cache.containerFolder("") + "\\index.dat", indexHost), err::SUCCESS);
    IndexDatFile index;
    ASSERT_EQ(index.open(indexHost), err::SUCCESS);
    for (const Listed& l : small) {
        EXPECT_TRUE(exists(built.machine(), l.local)) << l.local;
        UrlRecord record;
        ASSERT_EQ(index.index().find(l.url, record), err::SUCCESS) << l.url;
        EXPECT_EQ(record.blocks, 1u) << l.url;
    }
}
