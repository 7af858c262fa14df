#pragma once
// "History Folders": the browser's history store clears itself (else the
// Internet Options dialog is made to clear it), then the daily history
// folders lose their index files and, when empty, themselves; an index file
// that stays is emptied in place.

#include <functional>
#include <string>

namespace kp {

struct PurgeContext;
struct UrlCacheServices;

// The two ways of clearing the history store, each true on success.
struct HistoryClearing {
    std::function<bool()> ClearHistoryStore;
    std::function<bool()> DriveInternetOptionsClearHistory;
};

// The history object of the machine's URL cache.
bool ClearHistoryStore(UrlCacheServices& services);

// A preview lists nothing. When both ways of clearing the store fail, an
// error line says so (ErrorLevel 3).
void PurgeHistoryFolders(PurgeContext& context, UrlCacheServices& services, const HistoryClearing& clearing);

// The daily folders of `historyFolder`. A folder link is removed as a link,
// never entered. While the machine's Wine session runs, its index files are
// held and left in place.
void PurgeHistorySubfolders(PurgeContext& context, UrlCacheServices& services, const std::string& historyFolder);

} // namespace kp
