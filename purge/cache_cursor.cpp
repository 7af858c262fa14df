#include "purge/cache_cursor.h"

#include "core/error_level.h"
#include "core/message_service.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kp {

namespace {
constexpr const char* kWalkErrorCaption = "Klenzor  -  Error Message";
constexpr win::DWORD kAllEntryTypes = 0xFFFFFFFF;

// ":<first day><last day>: ...", the URL of an entry of a daily or weekly
// MSHist container.
bool isDailyHistoryUrl(std::string_view url)
{
    if (url.size() < 18 || url[0] != ':' || url[17] != ':')
        return false;
    return std::all_of(url.begin() + 1, url.begin() + 17, [](char c) { return c >= '0' && c <= '9'; });
}
} // namespace

CacheCursor::CacheCursor(win::UrlCache& cache, MessageService& messages, ErrorState& errors, bool& cacheAccessError)
    : cache_(cache)
    , messages_(messages)
    , errors_(errors)
    , cacheAccessError_(cacheAccessError)
{
}

CacheCursor::~CacheCursor()
{
    CacheWalkClose();
}

void CacheCursor::allocate(win::DWORD size)
{
    buffer_.assign((std::size_t(size) + 7) / 8, 0);
    allocated_ = size;
    sizeValue_ = size;
}

win::DWORD CacheCursor::call(bool first)
{
    auto* info = reinterpret_cast<win::INTERNET_CACHE_ENTRY_INFOA*>(buffer_.data());
    if (first)
        return cache_.findFirstUrlCacheEntryEx(nullptr, 0, kAllEntryTypes, 0, info, sizeValue_, handle_);
    return cache_.findNextUrlCacheEntryEx(handle_, info, sizeValue_);
}

bool CacheCursor::CacheWalkFirst()
{
    CacheWalkClose();
    allocate(InitialBufferSize);
    return handle(call(true), true) && passDailyHistory();
}

bool CacheCursor::CacheWalkNext()
{
    if (endOfEntries_ || walkError_ || !handle_)
        return false;
    sizeValue_ = allocated_;
    return handle(call(false), false) && passDailyHistory();
}

bool CacheCursor::passDailyHistory()
{
    while (CacheEntryReadable() && isDailyHistoryUrl(entry().lpszSourceUrlName)) {
        sizeValue_ = allocated_;
        if (!handle(call(false), false))
            return false;
    }
    return true;
}

bool CacheCursor::handle(win::DWORD code, bool first)
{
    if (code == win::err::INSUFFICIENT_BUFFER && sizeValue_ > allocated_) {
        allocate(sizeValue_);
        code = call(first);
    }
    lastError_ = code;
    if (code == win::err::SUCCESS)
        return true;
    if (code == win::err::NO_MORE_ITEMS)
        endOfEntries_ = true;
    else
        walkFailed(code);
    return false;
}

void CacheCursor::walkFailed(win::DWORD code)
{
    std::string text = "An Error was detected accessing INDEX.DAT files.\r\n";
    if (code == win::err::INSUFFICIENT_BUFFER)
        text += "The Error Code = 122 (Insufficient_Buffer).\r\nThe Access requires " + std::to_string(sizeValue_)
            + " bytes.";
    else
        text += "The Error Code = " + std::to_string(code) + " - (Unknown Error).";
    text += "\r\nYou probably have a Corrupted Cache.\r\nThe Current Function will terminate.";
    messages_.show(kWalkErrorCaption, text, MsgKind::Error, OK);
    cacheAccessError_ = true;
    errors_.ErrorFlag = true;
    errors_.RaiseErrorLevel(9);
    walkError_ = true;
}

void CacheCursor::CacheWalkClose()
{
    if (handle_) {
        if (win::DWORD e = cache_.findCloseUrlCache(handle_))
            lastError_ = e;
    }
    handle_ = 0;
    buffer_.clear();
    buffer_.shrink_to_fit();
    allocated_ = 0;
    sizeValue_ = 0;
    endOfEntries_ = false;
    walkError_ = false;
}

const win::INTERNET_CACHE_ENTRY_INFOA& CacheCursor::entry() const
{
    return *reinterpret_cast<const win::INTERNET_CACHE_ENTRY_INFOA*>(buffer_.data());
}

bool CacheCursor::stringInBuffer(const char* text) const
{
    const char* begin = reinterpret_cast<const char*>(buffer_.data());
    const char* end = begin + allocated_;
    if (!text || text < begin || text >= end)
        return false;
    return std::memchr(text, 0, std::size_t(end - text)) != nullptr;
}

bool CacheCursor::CacheEntryReadable() const
{
    if (buffer_.empty() || allocated_ < sizeof(win::INTERNET_CACHE_ENTRY_INFOA))
        return false;
    const win::INTERNET_CACHE_ENTRY_INFOA& e = entry();
    return stringInBuffer(e.lpszSourceUrlName) && (!e.lpszLocalFileName || stringInBuffer(e.lpszLocalFileName));
}

} // namespace kp
