#pragma once
// The rows of the Protect window's entry list: one per URL-cache entry of the
// listed kind, or per protect-file line that the cache no longer holds; their
// columns, and the orders they sort in.

#include "platform/win32.h"
#include "protect/short_text.h"

#include <QTimeZone>

#include <string>
#include <string_view>
#include <vector>

namespace kp {

namespace win {
struct INTERNET_CACHE_ENTRY_INFOA;
}

// The listing shown: none yet, cookies, cache entries or visited URLs.
enum class ProtectView { None = 0, Cookies = 1, Cache = 2, Visited = 3 };

inline constexpr const char* kOnlyInProtectFile = "  - - Only in Protect File - -";
inline constexpr const char* kNoAccessTime = "      n/a";

// The short columns live inside the row: a listing of many entries allocates
// only for the texts of unbounded length.
struct ProtectRow {
    std::string caption;   // the source URL name, or the protect-file line
    ShortText<7> status;   // "Protect", " " or "CDF"
    ShortText<19> accessed; // "MM/dd/yyyy HH:mm:ss", kNoAccessTime or a bad date
    ShortText<7> hits;     // at most 65535
    std::string localFile;
    ShortText<11> type;    // "N", or "N-0000000A" with the entry type
    bool onlyInProtectFile() const { return localFile == kOnlyInProtectFile; }
};

// Whether a source URL name (or a protect-file line) is listed in `view`.
bool EntryBelongsToView(std::string_view name, ProtectView view);

// The row of a cache entry, its access time in `zone`; `xcode` adds the
// entry type in hexadecimal.
ProtectRow RowForEntry(const win::INTERNET_CACHE_ENTRY_INFOA& entry, ProtectView view, bool isProtected, bool xcode,
                       const QTimeZone& zone);
// The row of a protect-file line the cache does not hold.
ProtectRow RowOnlyInProtectFile(std::string line);
// A deleted, still protected entry keeps its row as protect-file-only.
void MarkOnlyInProtectFile(ProtectRow& row);

// Last access in local time, "MM/dd/yyyy HH:mm:ss"; "xx/xx/xxxx bad date"
// when the time cannot be converted. Local is `zone`, or the host's local
// time when that is not valid.
std::string AccessedText(win::FileTime time, const QTimeZone& zone = QTimeZone::systemTimeZone());

// The Sort Column choices.
enum class SortColumn { Address = 0, Status = 1, Access = 2, Hits = 3 };

// The row indexes in order of the sort column, ties broken by caption; text
// compares by the locale, case-sensitively. Keys are made once per row, so
// that large lists sort quickly.
std::vector<int> SortedRowOrder(const std::vector<ProtectRow>& rows, SortColumn column, bool xcode);
// The same for the row indexes of `order`, taken in that order, with the
// captions' ranks given (CaptionRanks of the same rows), which a list that
// sorts again and again keeps.
std::vector<int> SortedRowOrder(const std::vector<ProtectRow>& rows, SortColumn column, bool xcode,
                                const std::vector<int>& captionRanks, std::vector<int> order);
// Each row's place in the locale's order of the captions; captions that
// compare equal share a rank.
std::vector<int> CaptionRanks(const std::vector<ProtectRow>& rows);

// "For your request to delete the ..." with the number of rows selected.
std::string DeleteConfirmationText(int selected);
// The Local File column after a failed delete: "not deleted - " and why.
std::string DeleteFailureText(win::DWORD code);

// The bottom panel's height: in the cookie view 134 pixels and 14 more for
// every whole 14 of (window height - 386) / 5 once that is 15 or more; in
// the other views 64 pixels at 96 pixels per inch.
int BottomPanelHeight(ProtectView view, int windowHeight, double dpi);

} // namespace kp
