#pragma once
// The entries a URL-cache purge takes, deleted in batches: a batch's local
// files are removed first (on a worker thread, while the walk decides the
// next batch), and its entries are taken from the index only once those
// files are gone. A purge stopped at any point, kill -9 included, thus
// leaves entries without files, never files without entries. An entry whose
// file stays is kept and reported as failed; a file that another entry
// names as well goes only with the last of them. Report lines keep the
// walk's order: each is written when its batch is done.

#include "platform/files/deferred_deletes.h"
#include "platform/win32.h"
#include "purge/local_file_users.h"
#include "purge/url_cache_purge.h"

#include <cstddef>
#include <deque>
#include <string>

namespace kp {

struct PurgeContext;

class CacheRemovalBatches {
public:
    // In a deleting run, first counts the entries naming each local file.
    CacheRemovalBatches(PurgeContext& context, UrlCacheServices& services, UrlCachePurgeState& state);
    // Waits for the removals queued; entries not taken yet stay.
    ~CacheRemovalBatches();
    CacheRemovalBatches(const CacheRemovalBatches&) = delete;
    CacheRemovalBatches& operator=(const CacheRemovalBatches&) = delete;

    // A report line in its place; a `level` above 0 makes it an error line.
    void addLine(std::string text, int level = 0);
    // An entry to delete (in a preview, to list). Its local file is deleted
    // or queued for removal now.
    void addEntry(std::string url, char type, const EntryAge& age, const char* localFile);
    // Takes the entries added from the index and writes every line.
    void finish();

private:
    struct Item {
        std::string text; // the line, or the entry's URL
        bool isEntry = false;
        int level = 0;
        char type = 0;
        EntryAge age;
        win::DWORD fileError = win::err::SUCCESS; // what kept the local file
    };
    struct Batch {
        std::size_t items = 0;
        std::size_t removalsMark = 0; // its files are gone once the removals reach this
    };

    void added();
    // Reports the closed batches but the newest `inFlight`.
    void complete(std::size_t inFlight);
    void report(const Item& item);

    PurgeContext& context_;
    UrlCacheServices& services_;
    UrlCachePurgeState& state_;
    bool overlap_; // files removed by the worker while the walk goes on
    LocalFileUsers users_;
    std::deque<Item> items_; // added, not reported yet
    std::deque<Batch> closed_;
    std::size_t open_ = 0; // items of the batch being filled
    // Declared last, so that its worker is done before the items it writes to go.
    win::DeferredDeletes removals_;
};

} // namespace kp
