#pragma once
// Deleting one URL-cache entry: its local file (only inside the browser's
// cache or cookies folder, plainly or shredded as the run says), then its
// index entry.

#include "platform/win32.h"

#include <string_view>

namespace kp {

namespace win {
class UrlCache;
}
struct PurgeContext;

// Deletes a cache entry's local file. The name is made absolute and freed of
// "." and ".." first; a file outside the cookies and cache folders, or
// reached through a link that leads out of them, is left alone (false).
bool DeleteCacheLocalFile(PurgeContext& context, std::string_view localFile);

// Deletes the local file (when `localFile` is not null; its outcome does not
// count), then removes `url` from the index. False with the index's error in
// `code` when the removal fails.
bool DeleteCacheEntry(PurgeContext& context, win::UrlCache& cache, std::string_view url, const char* localFile,
                      win::DWORD& code);

} // namespace kp
