#include "purge/local_file_users.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/url_cache.h"

#include <vector>

namespace kp {

namespace {

std::string keyOf(win::FileSystem& files, std::string_view localFile)
{
    std::string full;
    if (files.fullPathName(localFile, full) != win::err::SUCCESS)
        full = localFile;
    return win::upperAscii(full);
}

} // namespace

void LocalFileUsers::count(win::Machine& machine, win::UrlCache& cache)
{
    win::FileSystem files(machine);
    std::vector<std::uint64_t> buffer(512); // 8-byte aligned for the record
    win::UrlCacheFindHandle handle = 0;
    bool first = true;
    for (;;) {
        const win::DWORD capacity = win::DWORD(buffer.size() * sizeof(std::uint64_t));
        win::DWORD size = capacity;
        auto* info = reinterpret_cast<win::INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        const win::DWORD e = first ? cache.findFirstUrlCacheEntryEx(nullptr, 0, 0xFFFFFFFF, 0, info, size, handle)
                                   : cache.findNextUrlCacheEntryEx(handle, info, size);
        if (e == win::err::INSUFFICIENT_BUFFER && size > capacity) {
            buffer.resize((std::size_t(size) + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
            continue;
        }
        if (e != win::err::SUCCESS)
            break;
        first = false;
        if (info->lpszLocalFileName)
            ++users_[keyOf(files, info->lpszLocalFileName)];
    }
    // Closing a search findFirst opened fails only for a handle it never gave.
    if (handle)
        static_cast<void>(cache.findCloseUrlCache(handle));
}

bool LocalFileUsers::release(win::Machine& machine, std::string_view localFile)
{
    win::FileSystem files(machine);
    const auto found = users_.find(keyOf(files, localFile));
    if (found == users_.end())
        return true;
    if (--found->second > 0)
        return false;
    users_.erase(found);
    return true;
}

} // namespace kp
