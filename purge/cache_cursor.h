#pragma once
// The walk over the entries of the URL cache's Content, Cookies and History
// containers (the daily MSHist containers belong to the History Folders
// purge and are passed over), one entry at a time, into a buffer that starts
// at 4096 bytes and grows (at most once per call) when an entry needs more.
// A failed walk shows its message, marks the run's cache access as failed
// and raises the error level to 9.
//
// Driven as: CacheWalkFirst; while an entry is ready, use it when
// CacheEntryReadable, then CacheWalkNext; always CacheWalkClose.

#include "platform/urlcache/url_cache.h"

#include <cstdint>
#include <vector>

namespace kp {

class MessageService;
struct ErrorState;

class CacheCursor {
public:
    static constexpr win::DWORD InitialBufferSize = 4096;

    // `cacheAccessError` is the run's flag that a walk failed.
    CacheCursor(win::UrlCache& cache, MessageService& messages, ErrorState& errors, bool& cacheAccessError);
    ~CacheCursor();
    CacheCursor(const CacheCursor&) = delete;
    CacheCursor& operator=(const CacheCursor&) = delete;

    // True when an entry is ready; false at the end (EndOfEntries) or on a
    // failure (WalkError, after the message).
    bool CacheWalkFirst();
    bool CacheWalkNext();
    // Closes the enumeration, frees the buffer, clears both flags.
    void CacheWalkClose();

    // The current record's URL and local file name (when it has one) end
    // inside the data the enumeration returned.
    bool CacheEntryReadable() const;

    const win::INTERNET_CACHE_ENTRY_INFOA& entry() const;
    bool EndOfEntries() const { return endOfEntries_; }
    bool WalkError() const { return walkError_; }
    win::DWORD lastError() const { return lastError_; }
    win::DWORD bufferSize() const { return allocated_; }

private:
    // One enumeration call (first or next) into the buffer.
    win::DWORD call(bool first);
    // The failure rules shared by first and next: 259 ends, 122 grows the
    // buffer and retries once, anything else is a walk error.
    bool handle(win::DWORD code, bool first);
    // Advances past entries of the daily history containers; false at the
    // end or on a failure.
    bool passDailyHistory();
    void allocate(win::DWORD size);
    void walkFailed(win::DWORD code);
    bool stringInBuffer(const char* text) const;

    win::UrlCache& cache_;
    MessageService& messages_;
    ErrorState& errors_;
    bool& cacheAccessError_;

    win::UrlCacheFindHandle handle_ = 0;
    std::vector<std::uint64_t> buffer_; // 8-byte aligned for the record
    win::DWORD allocated_ = 0;
    win::DWORD sizeValue_ = 0;
    win::DWORD lastError_ = 0;
    bool endOfEntries_ = false;
    bool walkError_ = false;
};

} // namespace kp
