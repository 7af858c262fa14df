#include "protect/protect_rows.h"

#include "platform/urlcache/url_cache.h"

#include <QCollator>
#include <QDateTime>
#include <QString>

#include <cmath>
#include <chrono>
#include <cstdio>
#include <limits>
#include <map>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <utility>

namespace kp {

namespace {

// Whether `text` equals `upper` (upper-case ASCII) ignoring ASCII case.
bool equalsUpper(std::string_view text, std::string_view upper)
{
    return text.size() == upper.size() && std::equal(text.begin(), text.end(), upper.begin(), [](char c, char u) {
               return (c >= 'a' && c <= 'z' ? char(c - 32) : c) == u;
           });
}

// Year, month/day and time of an Accessed text; a blank-led text sorts as a
// blank. Its bytes padded with zeros, then its length: compared as arrays,
// keys order as the texts would.
using AccessKey = std::array<unsigned char, 18>;
AccessKey accessKey(std::string_view accessed)
{
    AccessKey key{};
    std::size_t length = 0;
    auto part = [&](std::size_t from, std::size_t count) {
        for (std::size_t i = from; i < from + count && i < accessed.size(); ++i)
            key[length++] = static_cast<unsigned char>(accessed[i]);
    };
    if (accessed.empty() || accessed[0] == ' ') {
        key[length++] = ' ';
    } else {
        part(6, 4);
        part(0, 5);
        part(11, 8);
    }
    key.back() = static_cast<unsigned char>(length);
    return key;
}

long hitsOf(std::string_view text)
{
    const std::string hits(text);
    char* end = nullptr;
    const long value = std::strtol(hits.c_str(), &end, 10);
    return !hits.empty() && end && *end == '\0' ? value : 0;
}

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

bool EntryBelongsToView(std::string_view name, ProtectView view)
{
    const bool cookie = equalsUpper(name.substr(0, 7), "COOKIE:");
    const bool visited = !cookie && equalsUpper(name.substr(0, 8), "VISITED:");
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

namespace {

using AccessedChars = std::array<char, 19>;

// The Accessed text in `text`, or the bad-date text.
std::string_view formatAccessed(win::FileTime time, const QTimeZone& zone, AccessedChars& text)
{
    static constexpr std::string_view bad = "xx/xx/xxxx bad date";
    const win::QWORD ticks = time.value();
    if (ticks >= 0x8000000000000000ULL)
        return bad;
    const qint64 utc = qint64(ticks / 10000000) - qint64(win::kFileTimeUnixEpochSeconds);
    // Local offsets by hour of UTC in a small table: listings convert many
    // times that fall in fewer hours.
    struct HourOffset {
        qint64 hour = std::numeric_limits<qint64>::min();
        int offset = 0;
        bool valid = false;
    };
    struct OffsetMemo {
        QTimeZone zone;
        std::array<HourOffset, 1024> hours;
    };
    static thread_local OffsetMemo memo;
    if (zone != memo.zone)
        memo = OffsetMemo{zone, {}};
    const qint64 hour = utc >= 0 ? utc / 3600 : (utc - 3599) / 3600;
    HourOffset& known = memo.hours[std::uint64_t(hour) % memo.hours.size()];
    if (known.hour != hour) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(hour * 3600, Qt::UTC);
        if (zone.isValid()) {
            known = {hour, zone.offsetFromUtc(at), true};
        } else {
            const QDateTime local = at.toLocalTime();
            known = {hour, local.isValid() ? local.offsetFromUtc() : 0, local.isValid()};
        }
    }
    if (!known.valid)
        return bad;
    const qint64 local = utc + known.offset;
    const qint64 days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const qint64 seconds = local - days * 86400;
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    const int year = int(date.year());
    if (year < 1 || year > 9999)
        return bad;
    auto put = [&text](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    put(0, int(unsigned(date.month())), 2);
    put(3, int(unsigned(date.day())), 2);
    put(6, year, 4);
    put(11, int(seconds / 3600), 2);
    put(14, int(seconds / 60 % 60), 2);
    put(17, int(seconds % 60), 2);
    text[2] = text[5] = '/';
    text[10] = ' ';
    text[13] = text[16] = ':';
    return std::string_view(text.data(), text.size());
}

} // namespace

std::string AccessedText(win::FileTime time, const QTimeZone& zone)
{
    AccessedChars text;
    return std::string(formatAccessed(time, zone, text));
}

ProtectRow RowForEntry(const win::INTERNET_CACHE_ENTRY_INFOA& entry, ProtectView view, bool isProtected, bool xcode,
                       const QTimeZone& zone)
{
    ProtectRow row;
    row.caption = entry.lpszSourceUrlName ? entry.lpszSourceUrlName : "";
    row.status = isProtected ? "Protect" : " ";
    if (view == ProtectView::Cache && row.caption.size() >= 4
        && equalsUpper(std::string_view(row.caption).substr(row.caption.size() - 4), ".CDF"))
        row.status = "CDF";
    AccessedChars accessed;
    row.accessed = formatAccessed(entry.LastAccessTime, zone, accessed);
    row.hits = std::to_string(entry.dwHitRate & 0xFFFF);
    row.localFile = entry.lpszLocalFileName ? entry.lpszLocalFileName : "";
    const win::DWORD type = entry.CacheEntryType;
    const char* kind = (type & 0x10) ? "S" : view == ProtectView::Cookies ? "C" : view == ProtectView::Visited ? "V" : "N";
    if (xcode) {
        char text[16];
        std::snprintf(text, sizeof text, "%s-%08X", kind, unsigned(type));
        row.type = text;
    } else {
        row.type = kind;
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

std::vector<int> CaptionRanks(const std::vector<ProtectRow>& rows)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    // Captions in byte order are often in the locale's order too: neighbours
    // are checked, and only when some pair is not do the locale's keys sort.
    // The byte sort keeps beside each caption the 8 bytes that follow the
    // beginning all captions share, so that most comparisons read no caption.
    std::string_view common = rows.empty() ? std::string_view() : std::string_view(rows[0].caption);
    for (const ProtectRow& row : rows) {
        const std::string_view text = row.caption;
        const auto differ = std::mismatch(common.begin(), common.end(), text.begin(), text.end()).first;
        common = common.substr(0, std::size_t(differ - common.begin()));
    }
    const std::size_t shared = common.size();
    struct Caption {
        std::uint64_t next = 0; // big-endian, zero-padded: orders as the bytes do
        std::string_view text;
        int index = 0;
    };
    std::vector<Caption> captions;
    captions.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        Caption caption{0, rows[i].caption, int(i)};
        for (std::size_t at = shared; at < shared + 8; ++at) {
            const unsigned byte = at < caption.text.size() ? static_cast<unsigned char>(caption.text[at]) : 0u;
            caption.next = caption.next << 8 | byte;
        }
        captions.push_back(caption);
    }
    std::sort(captions.begin(), captions.end(), [](const Caption& a, const Caption& b) {
        return a.next != b.next ? a.next < b.next : a.text < b.text;
    });
    std::vector<int> ranks(rows.size());
    std::u16string previous;
    std::u16string current;
    int rank = 0;
    bool inOrder = true;
    constexpr size_t kPrefetchAhead = 16; // the captions lie scattered: fetch them before their turn
    for (size_t i = 0; i < captions.size(); ++i) {
        if (i + kPrefetchAhead < captions.size())
            __builtin_prefetch(captions[i + kPrefetchAhead].text.data());
        const std::string_view text = captions[i].text; // Latin-1: each byte is its UTF-16 unit
        current.resize(text.size());
        std::transform(text.begin(), text.end(), current.begin(),
                       [](char c) { return char16_t(static_cast<unsigned char>(c)); });
        if (i > 0) {
            const int step = collator.compare(QStringView(previous), QStringView(current));
            if (step > 0) {
                inOrder = false;
                break;
            }
            rank += step < 0;
        }
        ranks[size_t(captions[i].index)] = rank;
        previous.swap(current);
    }
    std::vector<int> order;
    order.reserve(rows.size());
    for (const Caption& caption : captions)
        order.push_back(caption.index);
    captions = {};
    if (inOrder)
        return ranks;

    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const ProtectRow& row : rows)
        keys.push_back(collator.sortKey(latin1(row.caption)));
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[size_t(order[i - 1])].compare(keys[size_t(order[i])]) != 0)
            ++rank;
        ranks[size_t(order[i])] = rank;
    }
    return ranks;
}

std::vector<int> SortedRowOrder(const std::vector<ProtectRow>& rows, SortColumn column, bool xcode)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    return SortedRowOrder(rows, column, xcode, CaptionRanks(rows), std::move(order));
}

std::vector<int> SortedRowOrder(const std::vector<ProtectRow>& rows, SortColumn column, bool xcode,
                                const std::vector<int>& captionRanks, std::vector<int> order)
{
    // The column's key of each row; Status texts are few, so each distinct
    // text is ranked once.
    std::vector<long> keys(rows.size(), 0);
    std::vector<AccessKey> accessKeys;
    if (column == SortColumn::Status) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        std::map<std::string, QCollatorSortKey, std::less<>> texts;
        for (const ProtectRow& row : rows) {
            const std::string_view text = xcode ? row.type.view() : row.status.view();
            if (texts.find(text) == texts.end())
                texts.emplace(std::string(text), collator.sortKey(latin1(text)));
        }
        std::vector<std::pair<const std::string*, const QCollatorSortKey*>> ranked;
        for (const auto& [text, key] : texts)
            ranked.emplace_back(&text, &key);
        std::sort(ranked.begin(), ranked.end(),
                  [](const auto& a, const auto& b) { return a.second->compare(*b.second) < 0; });
        std::map<std::string_view, long> rankOf;
        long rank = 0;
        for (size_t i = 0; i < ranked.size(); ++i) {
            if (i > 0 && ranked[i - 1].second->compare(*ranked[i].second) != 0)
                ++rank;
            rankOf.emplace(*ranked[i].first, rank);
        }
        for (size_t i = 0; i < rows.size(); ++i)
            keys[i] = rankOf.at(xcode ? rows[i].type.view() : rows[i].status.view());
    } else if (column == SortColumn::Access) {
        accessKeys.reserve(rows.size());
        for (const ProtectRow& row : rows)
            accessKeys.push_back(accessKey(row.accessed));
    } else if (column == SortColumn::Hits) {
        for (size_t i = 0; i < rows.size(); ++i)
            keys[i] = hitsOf(rows[i].hits);
    }
    // By caption first, placing rows by their ranks in the present order;
    // then stably by the column's key. Ranks kept through removals may leave
    // gaps, so they can reach past the row count.
    int highestRank = -1;
    for (int row : order)
        highestRank = std::max(highestRank, captionRanks[size_t(row)]);
    std::vector<int> starts(size_t(highestRank) + 2, 0);
    for (int row : order)
        ++starts[size_t(captionRanks[size_t(row)]) + 1];
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    std::vector<int> byCaption(order.size());
    for (int row : order)
        byCaption[size_t(starts[size_t(captionRanks[size_t(row)])]++)] = row;
    if (!accessKeys.empty())
        std::stable_sort(byCaption.begin(), byCaption.end(),
                         [&](int a, int b) { return accessKeys[size_t(a)] < accessKeys[size_t(b)]; });
    else if (column != SortColumn::Address)
        std::stable_sort(byCaption.begin(), byCaption.end(),
                         [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    return byCaption;
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
