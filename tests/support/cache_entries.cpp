#include "tests/support/cache_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace kp::test {

CacheWalk walkCache(win::UrlCache& cache, const char* pattern)
{
    CacheWalk walk;
    std::vector<std::uint64_t> buffer(4096 / 8);
    const auto info = [&] { return reinterpret_cast<win::INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()); };
    win::UrlCacheFindHandle handle = 0;
    const auto next = [&](win::DWORD& size) {
        return handle ? cache.findNextUrlCacheEntryEx(handle, info(), size)
                      : cache.findFirstUrlCacheEntryEx(pattern, 0, 0xFFFFFFFF, 0, info(), size, handle);
    };
    for (;;) {
        win::DWORD size = win::DWORD(buffer.size() * 8);
        walk.end = next(size);
        if (walk.end == win::err::INSUFFICIENT_BUFFER) {
            walk.largest = std::max(walk.largest, size);
            buffer.resize(size / 8 + 1);
            walk.end = next(size);
        }
        if (walk.end != win::err::SUCCESS)
            break;
        walk.entries.push_back({info()->lpszSourceUrlName, info()->lpszLocalFileName ? info()->lpszLocalFileName : "",
                                info()->CacheEntryType, info()->dwSizeLow, info()->LastAccessTime});
    }
    if (handle) {
        EXPECT_EQ(cache.findCloseUrlCache(handle), win::err::SUCCESS);
    }
    return walk;
}

std::vector<CacheEntry> listCacheEntries(win::UrlCache& cache, const char* pattern)
{
    return walkCache(cache, pattern).entries;
}

} // namespace kp::test
