#pragma once
// Every entry of a machine's URL cache, read through the platform's walk.

#include "platform/urlcache/url_cache.h"

#include <string>
#include <vector>

namespace kp::test {

struct CacheEntry {
    std::string url;
    std::string local; // the local file's Windows path, "" for none
    win::DWORD type = 0;
    win::FileTime lastAccess;
};

// The entries whose URL starts with `pattern` (null: every entry). A walk
// that cannot be closed fails the calling test.
std::vector<CacheEntry> listCacheEntries(win::UrlCache& cache, const char* pattern = nullptr);

} // namespace kp::test
