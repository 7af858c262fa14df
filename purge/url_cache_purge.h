#pragma once
// The three purges over the URL cache: "Cache" (mode 'X': online and offline
// entries older than the run's age limits), "Cookies" ('C': every cookie not
// protected) and "Visited URLs" ('V'). Each walks the whole cache, skips the
// entries of other kinds, protected ones and (for the cache) recent ones,
// deletes the rest with their local files and reports them.

#include "platform/urlcache/url_cache.h"
#include "protect/no_protection.h"
#include "purge/browser_window.h"
#include "purge/cache_cursor.h"

#include <QDateTime>
#include <QTimeZone>

#include <functional>
#include <set>
#include <string>

namespace kp {

class MessageService;
struct ErrorState;
struct GeneralSettings;
struct PurgeContext;
struct RunState;

// What the URL-cache functions share for the program run.
struct UrlCacheServices {
    UrlCacheServices(win::Machine& machine, win::WindowList& windows, MessageService& messages, ErrorState& errors,
                     RunState& run, GeneralSettings& general);

    win::Machine& machine;
    win::UrlCache cache;
    CacheCursor cursor;
    BrowserWindows browsers;
    GeneralSettings& general;   // CookieMsgOpt is switched here
    bool listProtected = false; // TESTPROT was seen: protected entries are listed from then on
    std::function<bool()> ie5OrLater = [] { return true; };
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<NoProtectionAnswer()> askNoProtection = AnswerNoProtectionOnConsole;
};

// Age of an entry last used at `lastAccess` (UTC) at the local time `now`:
// whole days, then hours and minutes of the rest, each cut toward zero;
// 999 days for a time that forms no valid date.
struct EntryAge {
    int days = 0, hours = 0, minutes = 0;
};
EntryAge CacheEntryAge(win::FileTime lastAccess, const QDateTime& now);

// The local clock of one purge: "now" and the time zone read once, so that
// an entry's age needs no look at the system's zone.
struct AgeClock {
    AgeClock() = default;
    explicit AgeClock(const QDateTime& now);
    EntryAge ageOf(win::FileTime lastAccess) const;

    qint64 nowLocalMs = 0;
    QTimeZone zone;
};

// The type letter of an entry: 'S' sticky, 'C' cookie, 'V' visited, 'N'.
char CacheEntryTypeLetter(std::string_view url, win::DWORD entryType);

// Per-function state of one purge.
struct UrlCachePurgeState {
    char mode = 'X';
    AgeClock clock; // the entries' ages count to the purge's start
    long long processed = 0;
    bool protectedSeen = false;
    bool visitedIndexStale = false;
    bool headerWritten = false;
    std::set<std::string> unwritableIndexes; // reported once each; their entries are left alone
};

// A deleting run's step refuses to start while the machine's Wine session
// runs: Wine holds the index files mapped and would overwrite changes made
// meanwhile.
void PurgeUrlCache(PurgeContext& context, UrlCacheServices& services, char mode);

// Decides the cursor's current entry and hands it to `batches` to delete
// and report. Nothing is deleted for an entry whose index cannot be written.
class CacheRemovalBatches;
class ProtectList;
void PurgeUrlCacheEntry(PurgeContext& context, UrlCacheServices& services, const ProtectList& protect,
                        UrlCachePurgeState& state, CacheRemovalBatches& batches);

// FreeUrlCacheSpace after a Cache purge that took everything it was allowed.
void ReleaseCacheSpace(PurgeContext& context, UrlCacheServices& services, const UrlCachePurgeState& state);

} // namespace kp
