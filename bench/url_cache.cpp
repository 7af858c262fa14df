// A History index of 100,000 entries: the time to walk it through the
// WinINet-shaped calls, the time msiecfexport takes to export the same file,
// and the time to delete every entry (index only) one call at a time.

#include "platform/machine.h"
#include "platform/urlcache/index_dat.h"
#include "platform/urlcache/index_dat_file.h"
#include "platform/urlcache/url_cache.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kp::win;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Walks with a 4096-byte buffer, as the system does; returns the entry count.
int walk(UrlCache& cache, std::vector<std::string>* urls)
{
    std::vector<std::uint64_t> buffer(512);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = 4096;
    UrlCacheFindHandle handle = 0;
    int count = 0;
    DWORD e = cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info, size, handle);
    while (e == err::SUCCESS) {
        ++count;
        if (urls)
            urls->emplace_back(info->lpszSourceUrlName);
        size = 4096;
        e = cache.findNextUrlCacheEntryEx(handle, info, size);
    }
    if (handle && cache.findCloseUrlCache(handle) != err::SUCCESS)
        return -1;
    return e == err::NO_MORE_ITEMS ? count : -1;
}

} // namespace

int main()
{
    constexpr int kEntries = 100000;
    std::string dir = (fs::temp_directory_path() / "kp-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data()))
        return 1;
    const std::string historyIe5 = dir + "/drive_c/History/History.IE5";
    fs::create_directories(historyIe5);
    fs::create_directories(dir + "/dosdevices");
    fs::create_symlink("../drive_c", dir + "/dosdevices/c:");
    std::ofstream(dir + "/system.reg") << "WINE REGISTRY Version 2\n";

    IndexFile index = IndexFile::createEmpty({}, 1 << 30);
    for (int i = 0; i < kEntries; ++i) {
        NewUrlRecord r;
        char url[32];
        std::snprintf(url, sizeof url, "Visited: a@h.ex/%06d", i);
        r.url = url;
        r.entryType = URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY;
        r.lastAccess = fileTimeFromUnix(1700000000 + i);
        if (DWORD e = index.add(r)) {
            std::fprintf(stderr, "building the index failed at entry %d: %u\n", i, e);
            return 1;
        }
    }
    const std::string indexPath = historyIe5 + "/index.dat";
    if (IndexDatFile::create(indexPath, index) != err::SUCCESS)
        return 1;
    std::printf("index: %d entries, %zu bytes, %zu hash tables\n", kEntries, index.bytes().size(),
                index.hashTables().size());

    std::unique_ptr<Machine> machine;
    if (Machine::open(dir, machine) != err::SUCCESS)
        return 1;
    const UrlCacheFolders folders {"", "", "C:\\History"};

    double walkSeconds;
    std::vector<std::string> urls;
    {
        UrlCache cache(*machine, folders);
        auto start = std::chrono::steady_clock::now();
        int listed = walk(cache, nullptr);
        walkSeconds = secondsSince(start);
        std::printf("walk: %d entries in %.3f s (target < 0.5 s)\n", listed, walkSeconds);
        walk(cache, &urls);
    }

    const std::string command = "msiecfexport -m items '" + indexPath + "' > /dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    int status = std::system(command.c_str());
    double exportSeconds = secondsSince(start);
    if (status == 0)
        std::printf("msiecfexport: %.3f s; walk is %.1f times as fast\n", exportSeconds, exportSeconds / walkSeconds);
    else
        std::printf("msiecfexport: not available (status %d)\n", status);

    {
        UrlCache cache(*machine, folders);
        start = std::chrono::steady_clock::now();
        int failed = 0;
        for (const std::string& url : urls)
            failed += cache.deleteUrlCacheEntry(url) != err::SUCCESS;
        double deleteSeconds = secondsSince(start);
        std::printf("delete: %zu entries in %.3f s (target < 5 s), %d failed; %d left\n", urls.size(), deleteSeconds,
                    failed, walk(cache, nullptr));
    }
    machine.reset();
    fs::remove_all(dir);
    return 0;
}
