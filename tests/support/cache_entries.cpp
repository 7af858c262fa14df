#include "tests/support/cache_entries.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kp::test {

std::vector<CacheEntry> listCacheEntries(win::UrlCache& cache, const char* pattern)
{
    std::vector<CacheEntry> out;
    std::vector<std::uint64_t> buffer(8192);
    win::DWORD size = win::DWORD(buffer.size() * 8);
    auto* info = reinterpret_cast<win::INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    win::UrlCacheFindHandle handle = 0;
    for (win::DWORD e = cache.findFirstUrlCacheEntryEx(pattern, 0, 0xFFFFFFFF, 0, info, size, handle); e == 0;
         e = cache.findNextUrlCacheEntryEx(handle, info, size)) {
        out.push_back({info->lpszSourceUrlName, info->lpszLocalFileName ? info->lpszLocalFileName : "",
                       info->CacheEntryType, info->LastAccessTime});
        size = win::DWORD(buffer.size() * 8);
    }
    if (handle) {
        EXPECT_EQ(cache.findCloseUrlCache(handle), win::err::SUCCESS);
    }
    return out;
}

} // namespace kp::test
