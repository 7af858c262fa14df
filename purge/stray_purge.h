#pragma once
// "Strays": the cookie and cache files on disk that no index entry names,
// and the index entries whose local files are gone. Both are deleted.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kp {

struct PurgeContext;
struct UrlCacheServices;

// One URL-cache entry with a local file (visited URLs have none).
struct StrayRecord {
    std::string localFile; // upper-cased, one trailing "." removed
    std::string url;
    bool seen = false; // a file on disk is named by it
};

// The entries with local files in walk order, looked up by file name.
class StrayIndex {
public:
    // The first record already naming `record`'s file, or null.
    const StrayRecord* add(StrayRecord record);
    // Marks every record naming `localFile` (upper-cased) as seen; false
    // when none does.
    bool markSeen(const std::string& localFile);
    std::vector<StrayRecord>& records() { return records_; }

private:
    std::vector<StrayRecord> records_;
    std::unordered_map<std::string, std::vector<std::uint32_t>> byFile_;
};

// Fills `index` from a walk of the URL cache; with xcode, two entries
// naming one file are listed as duplicates. Out of memory stops the run's
// listing after a message.
void BuildStrayIndex(PurgeContext& context, UrlCacheServices& services, StrayIndex& index);

// Deletes the files of `folder` (and, when `recursive`, of its subfolders)
// that no record names; a folder link is never entered. `cookies` selects
// the folder's name in the not-found line.
void ScanStrayFiles(PurgeContext& context, StrayIndex& index, const std::string& folder, bool found, bool cookies,
                    bool recursive, long long& processed);

// Removes from the index the entries no scanned file matched whose local
// file is really missing.
void PurgeStrayUrls(PurgeContext& context, UrlCacheServices& services, StrayIndex& index, long long& processed);

// The Strays function. A deleting run refuses to start while the machine's
// Wine session runs, as the other URL-cache purges do.
void PurgeStrays(PurgeContext& context, UrlCacheServices& services);

} // namespace kp
