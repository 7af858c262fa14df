#pragma once
// WinINet's URL cache over a machine: the Cookies container (the Cookies
// folder), the History container (History.IE5 below the History folder) with
// its daily and weekly MSHist containers, and the Content container
// (Content.IE5 below the Cache folder), each an index.dat in Internet
// Explorer's format. Calls are shaped like wininet's ANSI calls and return
// Win32 error codes.

#include "platform/urlcache/cookie_file.h"
#include "platform/urlcache/index_dat.h"
#include "platform/win32.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class Machine;
class IndexDatFile;

// CacheEntryType bits.
inline constexpr DWORD NORMAL_CACHE_ENTRY = 0x00000001;
inline constexpr DWORD STICKY_CACHE_ENTRY = 0x00000004;
inline constexpr DWORD EDITED_CACHE_ENTRY = 0x00000008;
inline constexpr DWORD TRACK_OFFLINE_CACHE_ENTRY = 0x00000010;
inline constexpr DWORD TRACK_ONLINE_CACHE_ENTRY = 0x00000020;
inline constexpr DWORD SPARSE_CACHE_ENTRY = 0x00010000;
inline constexpr DWORD COOKIE_CACHE_ENTRY = 0x00100000;
inline constexpr DWORD URLHISTORY_CACHE_ENTRY = 0x00200000;

// The entry record the enumeration writes at the start of the caller's
// buffer; its strings follow it in the same buffer.
struct INTERNET_CACHE_ENTRY_INFOA {
    DWORD dwStructSize;
    char* lpszSourceUrlName;
    char* lpszLocalFileName;
    DWORD CacheEntryType;
    DWORD dwUseCount;
    DWORD dwHitRate;
    DWORD dwSizeLow;
    DWORD dwSizeHigh;
    FileTime LastModifiedTime;
    FileTime ExpireTime;
    FileTime LastAccessTime;
    FileTime LastSyncTime;
    std::uint8_t* lpHeaderInfo;
    DWORD dwHeaderInfoSize;
    char* lpszFileExtension;
    DWORD dwExemptDelta;
};

// An enumeration handle; 0 is none.
using UrlCacheFindHandle = std::uint32_t;

// The shell folders the containers live in (Windows paths).
struct UrlCacheFolders {
    std::string cache;   // CSIDL_INTERNET_CACHE
    std::string cookies; // CSIDL_COOKIES
    std::string history; // CSIDL_HISTORY
};

// What commitUrlCacheEntry records. Zero times are taken as "now" for the
// access and sync times; the size and write time come from the local file.
struct UrlCacheCommit {
    std::string url;
    std::string localFileName; // Windows path inside the container, or empty
    DWORD entryType = NORMAL_CACHE_ENTRY;
    FileTime lastModified;
    FileTime expire;
    FileTime lastAccess;
    FileTime lastSync;
    std::string headerInfo;
    std::string fileExtension;
    DWORD hitRate = 1;
    DWORD useCount = 0;
    DWORD exemptDelta = 0;
    bool locked = false; // the entry is in use (retrieved and not unlocked)
};

class UrlCache {
public:
    // The folders from SHGetFolderPath (Cache, Cookies, History); a folder the
    // registry does not name has no containers.
    explicit UrlCache(Machine& machine);
    UrlCache(Machine& machine, UrlCacheFolders folders);
    ~UrlCache();
    UrlCache(const UrlCache&) = delete;
    UrlCache& operator=(const UrlCache&) = delete;

    // A Wine session of this machine runs: it holds the index files mapped
    // and would overwrite edits made meanwhile.
    bool wineSessionActive() const;

    // FindFirstUrlCacheEntryExA. `searchPattern` null walks every container,
    // else the container with that prefix ("Cookie:", "Visited:"). An entry
    // is listed when `filter` is all ones or shares a bit with its type; only
    // group 0 exists. On success `handle` is open and the first entry is in
    // `entryInfo`. INSUFFICIENT_BUFFER sets `entryInfoSize` to the size
    // needed (no handle); NO_MORE_ITEMS for an empty cache; a damaged index
    // gives its error code.
    [[nodiscard]] DWORD findFirstUrlCacheEntryEx(const char* searchPattern, DWORD flags, DWORD filter, QWORD groupId,
                                                 INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize,
                                                 UrlCacheFindHandle& handle);
    // FindNextUrlCacheEntryExA: INSUFFICIENT_BUFFER keeps the position, so
    // that the retry gets the same entry; NO_MORE_ITEMS past the last.
    [[nodiscard]] DWORD findNextUrlCacheEntryEx(UrlCacheFindHandle handle, INTERNET_CACHE_ENTRY_INFOA* entryInfo,
                                                DWORD& entryInfoSize);
    [[nodiscard]] DWORD findCloseUrlCache(UrlCacheFindHandle handle);

    // DeleteUrlCacheEntry: removes the index entry (never the local file).
    // FILE_NOT_FOUND when the index does not hold the URL, ACCESS_DENIED
    // while the entry is in use.
    [[nodiscard]] DWORD deleteUrlCacheEntry(std::string_view url);

    // Whether deleteUrlCacheEntry could change the index that holds `url`:
    // its container's index file (its Windows path goes to `indexPath`)
    // opens and can be written (IndexDatFile::checkWritable).
    [[nodiscard]] DWORD checkIndexWritable(std::string_view url, std::string& indexPath);

    // FreeUrlCacheSpaceA over the Content container when it lies in
    // `cachePath` (null: the Cache folder): removes the least recently used
    // entries that are not sticky, locked or of a type in `filter`, with
    // their local files, until `percent` of the used space is freed.
    [[nodiscard]] DWORD freeUrlCacheSpace(const char* cachePath, DWORD percent, DWORD filter);

    // CreateUrlCacheEntryA: reserves a new, empty local file for `url` in its
    // container (a cache subfolder for content) and returns its Windows path.
    [[nodiscard]] DWORD createUrlCacheEntry(std::string_view url, std::string_view fileExtension,
                                            std::string& localFileName);
    // CommitUrlCacheEntryA with the record's other fields given.
    [[nodiscard]] DWORD commitUrlCacheEntry(const UrlCacheCommit& entry);

    // Internet Explorer's way of keeping cookies: writes the text cookie file
    // of `user` for `hostPath` ("example.com/") in the Cookies folder
    // (replacing the one the entry names) and indexes it as
    // "Cookie:user@hostPath"; the file and the entry are written, modified
    // and accessed at `lastAccess` (zero: now).
    [[nodiscard]] DWORD setCookie(std::string_view user, std::string_view hostPath,
                                  const std::vector<CookieRecord>& cookies, FileTime lastAccess = {});

    // The URL history object's ClearHistory: empties the History container
    // and its MSHist containers in place. SHARING_VIOLATION while the
    // machine's Wine session runs, which holds them mapped.
    [[nodiscard]] DWORD clearHistory();

    // The Windows path of a container's folder: "Cookie:", "Visited:",
    // ":yyyymmddyyyymmdd:" or "" (content).
    std::string containerFolder(std::string_view prefix) const;
    const UrlCacheFolders& folders() const { return folders_; }

private:
    struct Container;
    struct FindState;

    std::vector<Container> containers();
    [[nodiscard]] DWORD containerFor(std::string_view url, Container& out);
    [[nodiscard]] DWORD openIndex(const Container& c, IndexDatFile*& out, bool create);
    [[nodiscard]] DWORD ensureIndex(const Container& c, IndexDatFile*& out);
    [[nodiscard]] DWORD fillEntry(const Container& c, const IndexFile& index, const UrlRecord& record,
                                  INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize) const;
    [[nodiscard]] DWORD nextEntry(FindState& state, INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize);
    [[nodiscard]] DWORD ensureFolder(const std::string& winPath, std::string& hostPath);

    Machine& machine_;
    UrlCacheFolders folders_;
    std::map<std::string, std::unique_ptr<IndexDatFile>> indexes_; // by host path
    std::map<std::string, IndexDatFile*> byFolder_;                 // by upper-case container folder
    std::map<UrlCacheFindHandle, std::unique_ptr<FindState>> finds_;
    UrlCacheFindHandle nextHandle_ = 1;
};

} // namespace kp::win
