#pragma once
// A machine's URL cache entries, read through the platform's walk.

#include "platform/urlcache/url_cache.h"

#include <set>
#include <string>
#include <vector>

namespace kp::test {

struct CacheEntry {
    std::string url;
    std::string local; // the local file's Windows path, "" for none
    win::DWORD type = 0;
    win::DWORD size = 0;
    win::FileTime lastAccess;
};

struct CacheWalk {
    std::vector<CacheEntry> entries;
    win::DWORD end = 0;     // the code that ended the walk
    win::DWORD largest = 0; // the largest buffer size the walk asked for, 0 for none
};

// Walks the entries whose URL starts with `pattern` (null: every entry) as
// the system does: a 4096-byte buffer, grown once for an entry that asks.
// A walk that cannot be closed fails the calling test.
CacheWalk walkCache(win::UrlCache& cache, const char* pattern = nullptr);

// The entries of a walk, however it ended.
std::vector<CacheEntry> listCacheEntries(win::UrlCache& cache, const char* pattern = nullptr);

// The files of the content container's subfolders and of the cookies
// folder that no entry names (host paths; index.dat and desktop.ini aside),
// read afresh from the prefix's files.
std::set<std::string> filesNoEntryNames(const std::string& prefixDir);

} // namespace kp::test
