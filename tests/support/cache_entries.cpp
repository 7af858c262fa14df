#include "tests/support/cache_entries.h"

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

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

std::set<std::string> filesNoEntryNames(const std::string& prefixDir)
{
    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(prefixDir, machine) != win::err::SUCCESS) {
        ADD_FAILURE() << "cannot open " << prefixDir;
        return {};
    }
    win::UrlCache cache(*machine);
    std::set<std::pair<dev_t, ino_t>> named;
    for (const CacheEntry& e : listCacheEntries(cache)) {
        std::string host;
        struct stat st {};
        if (!e.local.empty() && machine->paths().toHost(e.local, host) == 0 && ::lstat(host.c_str(), &st) == 0)
            named.insert({st.st_dev, st.st_ino});
    }
    std::set<std::string> unnamed;
    for (const std::string& folder : {cache.containerFolder(""), cache.folders().cookies}) {
        std::string host;
        EXPECT_EQ(machine->paths().toHost(folder, host), win::err::SUCCESS) << folder;
        for (const auto& item : std::filesystem::recursive_directory_iterator(host)) {
            const std::string name = win::upperAscii(item.path().filename().string());
            struct stat st {};
            if (item.is_regular_file() && name != "INDEX.DAT" && name != "DESKTOP.INI"
                && ::lstat(item.path().c_str(), &st) == 0 && !named.count({st.st_dev, st.st_ino}))
                unnamed.insert(item.path().string());
        }
    }
    return unnamed;
}

} // namespace kp::test
