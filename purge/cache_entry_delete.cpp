#include "purge/cache_entry_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/folder_confinement.h"
#include "platform/files/win_path.h"
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

} // namespace kp
