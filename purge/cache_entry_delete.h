#pragma once
// Deleting the local file of a URL-cache entry: only inside the browser's
// cache or cookies folder, plainly or shredded as the run says.

#include "platform/win32.h"

#include <string_view>

namespace kp {

struct PurgeContext;

// Deletes a cache entry's local file. The name is made absolute and freed of
// "." and ".." first; a file outside the cookies and cache folders, or
// reached through a link that leads out of them, is left alone (false, the
// run's last error code untouched). While the run defers removals
// (RunState::cacheFileRemovals) a file that passes every check is only
// queued (true), and the removal's own code goes to `outcome` when given.
bool DeleteCacheLocalFile(PurgeContext& context, std::string_view localFile, win::DWORD* outcome = nullptr);

} // namespace kp
