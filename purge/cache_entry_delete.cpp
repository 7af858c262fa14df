#include "purge/cache_entry_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/folder_confinement.h"
#include "platform/files/win_path.h"
#include "platform/urlcache/url_cache.h"
#include "purge/file_delete.h"
#include "purge/purge_context.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"

#include <string>

namespace kp {

bool DeleteCacheLocalFile(PurgeContext& context, std::string_view localFile, win::DWORD* outcome)
{
    if (!context.machine)
        return false;
    win::FileSystem files(*context.machine);
    std::string full;
    if (files.fullPathName(localFile, full) != win::err::SUCCESS)
        return false;
    const std::string name = win::upperAscii(full);
    const FolderSet& folders = context.folders;
    const std::string cookies = folders.cookiesPrefix();
    const std::string cache = folders.cachePrefix();
    std::string folder;
    if (!cookies.empty() && name.starts_with(cookies))
        folder = folders.cookiesFolder;
    else if (!cache.empty() && name.starts_with(cache))
        folder = folders.cacheFolder;
    else
        return false;
    bool inside = false;
    if (win::pathInsideFolder(*context.machine, folder, full, inside) != win::err::SUCCESS || !inside)
        return false;

    context.run.LastErrorCode = 0;
    if (context.run.shred)
        return ShredFile(context, full, ShredPassCount(context.general));
    if (context.run.cacheFileRemovals) {
        context.run.LastErrorCode = files.deleteFile(full, *context.run.cacheFileRemovals, outcome);
        return context.run.LastErrorCode == win::err::SUCCESS;
    }
    return PlainDelete(context, full, {});
}

bool DeleteCacheEntry(PurgeContext& context, win::UrlCache& cache, std::string_view url, const char* localFile,
                      win::DWORD& code)
{
    context.run.LastErrorCode = 0;
    if (localFile && !DeleteCacheLocalFile(context, localFile)) {
        code = context.run.LastErrorCode;
        if (code != win::err::SUCCESS && code != win::err::FILE_NOT_FOUND && code != win::err::PATH_NOT_FOUND)
            return false;
    }
    code = cache.deleteUrlCacheEntry(url);
    context.run.LastErrorCode = code;
    return code == win::err::SUCCESS;
}

} // namespace kp
