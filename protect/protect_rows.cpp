#include "protect/protect_rows.h"

#include "platform/urlcache/url_cache.h"

#include <QCollator>
#include <QDateTime>
#include <QString>

#include <cmath>
#include <chrono>
#include <cstdio>
#include <limits>
#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <optional>

namespace kp {

namespace {

std::string upperPrefix(std::string_view name, size_t length)
{
    std::string out(name.substr(0, length));
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return out;
}

// Year, month/day and time of an Accessed text; a blank-led text sorts as a blank.
std::string accessKey(const std::string& accessed)
{
    if (accessed.empty() || accessed[0] == ' ')
        return " ";
    auto part = [&](size_t from, size_t count) { return from < accessed.size() ? accessed.substr(from, count) : ""; };
    return part(6, 4) + part(0, 5) + part(11, 8);
}

long hitsOf(const std::string& hits)
{
    char* end = nullptr;
    const long value = std::strtol(hits.c_str(), &end, 10);
    return !hits.empty() && end && *end == '\0' ? value : 0;
}

QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

bool EntryBelongsToView(std::string_view name, ProtectView view)
{
    const bool cookie = upperPrefix(name, 7) == "COOKIE:";
    const bool visited = !cookie && upperPrefix(name, 8) == "VISITED:";
    switch (view) {
    case ProtectView::Cookies:
        return cookie;
    case ProtectView::Visited:
        return visited;
    case ProtectView::Cache:
        return !cookie && !visited;
    case ProtectView::None:
        break;
    }
    return false;
}

std::string AccessedText(win::FileTime time)
{
    static constexpr const char* bad = "xx/xx/xxxx bad date";
    const win::QWORD ticks = time.value();
    if (ticks >= 0x8000000000000000ULL)
        return bad;
    const qint64 utc = qint64(ticks / 10000000) - qint64(win::kFileTimeUnixEpochSeconds);
    // The local offset is looked up once per hour of UTC: listings convert
    // many times that fall in few hours.
    struct OffsetMemo {
        qint64 hour = std::numeric_limits<qint64>::min();
        int offset = 0;
        bool valid = false;
    };
    static thread_local OffsetMemo memo;
    const qint64 hour = utc >= 0 ? utc / 3600 : (utc - 3599) / 3600;
    if (hour != memo.hour) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(hour * 3600, Qt::UTC).toLocalTime();
        memo = {hour, local.isValid() ? local.offsetFromUtc() : 0, local.isValid()};
    }
    if (!memo.valid)
        return bad;
    const qint64 local = utc + memo.offset;
    const qint64 days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const qint64 seconds = local - days * 86400;
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    const int year = int(date.year());
    if (year < 1 || year > 9999)
        return bad;
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d %02d:%02d:%02d", unsigned(date.month()), unsigned(date.day()), year,
                  int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

ProtectRow RowForEntry(const win::INTERNET_CACHE_ENTRY_INFOA& entry, ProtectView view, bool isProtected, bool xcode)
{
    ProtectRow row;
    row.caption = entry.lpszSourceUrlName ? entry.lpszSourceUrlName : "";
    row.status = isProtected ? "Protect" : " ";
    if (view == ProtectView::Cache && row.caption.size() >= 4
        && upperPrefix(std::string_view(row.caption).substr(row.caption.size() - 4), 4) == ".CDF")
        row.status = "CDF";
    row.accessed = AccessedText(entry.LastAccessTime);
    row.hits = std::to_string(entry.dwHitRate & 0xFFFF);
    row.localFile = entry.lpszLocalFileName ? entry.lpszLocalFileName : "";
    const win::DWORD type = entry.CacheEntryType;
    row.type = (type & 0x10) ? "S" : view == ProtectView::Cookies ? "C" : view == ProtectView::Visited ? "V" : "N";
    if (xcode) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", unsigned(type));
        row.type += std::string("-") + hex;
    }
    return row;
}

ProtectRow RowOnlyInProtectFile(std::string line)
{
    ProtectRow row;
    row.caption = std::move(line);
    row.status = "Protect";
    MarkOnlyInProtectFile(row);
    return row;
}

void MarkOnlyInProtectFile(ProtectRow& row)
{
    row.accessed = kNoAccessTime;
    row.hits.clear();
    row.localFile = kOnlyInProtectFile;
    row.type.clear();
}

std::vector<int> SortedRowOrder(const std::vector<ProtectRow>& rows, SortColumn column, bool xcode)
{
    struct Key {
        std::optional<QCollatorSortKey> text; // Status
        std::string access;                   // digits in a fixed layout: compared bytewise
        long hits = 0;
        QCollatorSortKey caption;
    };
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<Key> keys;
    keys.reserve(rows.size());
    for (const ProtectRow& row : rows) {
        Key key{std::nullopt, {}, 0, collator.sortKey(latin1(row.caption))};
        if (column == SortColumn::Status)
            key.text = collator.sortKey(latin1(xcode ? row.type : row.status));
        else if (column == SortColumn::Access)
            key.access = accessKey(row.accessed);
        else if (column == SortColumn::Hits)
            key.hits = hitsOf(row.hits);
        keys.push_back(std::move(key));
    }
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Key& ka = keys[size_t(a)];
        const Key& kb = keys[size_t(b)];
        int result = 0;
        if (ka.text && kb.text)
            result = ka.text->compare(*kb.text);
        else if (ka.access != kb.access)
            result = ka.access < kb.access ? -1 : 1;
        else if (ka.hits != kb.hits)
            result = ka.hits < kb.hits ? -1 : 1;
        return result != 0 ? result < 0 : ka.caption.compare(kb.caption) < 0;
    });
    return order;
}

std::string DeleteConfirmationText(int selected)
{
    return std::string("For your request to delete the ")
           + (selected == 1 ? "selected entry, " : std::to_string(selected) + " selected entries,")
           + "\r\n\r\nPress \"Yes\" to confirm this Delete Request\r\n\r\nPress \"No\" to deny this Delete Request"
             "\r\n\r\nPress \"Yes To All\" to confirm all Delete Requests\r\n"
             " [this turns off \"Confirmation\" for this listing]";
}

std::string DeleteFailureText(win::DWORD code)
{
    std::string reason;
    if (code == 2)
        reason = "Error in URL";
    else if (code == 5 || code == 32 || code == 33 || code == 1224)
        reason = "Locked";
    else
        reason = "Error-" + std::to_string(code);
    return "not deleted - " + reason;
}

int BottomPanelHeight(ProtectView view, int windowHeight, double dpi)
{
    if (view != ProtectView::Cookies)
        return int(std::lround(64 * dpi / 96));
    const int q = (windowHeight - 386) / 5;
    return 134 + (q >= 15 ? q / 14 * 14 : 0);
}

} // namespace kp
