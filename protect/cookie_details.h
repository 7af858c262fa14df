#pragma once
// What the Protect window reads from a cookie file: the records for the
// details list, and the filter's search through them. Records are nine
// lines (name, value, domain and path, flags, five more); an incomplete
// last record is left out. Any bytes are accepted.

#include "protect/protect_rows.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp {

struct CookieDetail {
    std::string domain; // the domain and path line, one trailing "/" removed
    std::string name;
    std::string value;
    std::string secure; // "No" when the flags line is "0", else "Yes"
};

std::vector<CookieDetail> CookieDetails(std::string_view fileText);

// The filter (upper-cased) found in some record's domain, name or value.
bool CookieTextMatches(std::string_view fileText, std::string_view filter);

// LimitEdit's text as the listing uses it: blanks trimmed, upper-cased.
std::string ListingFilter(std::string_view text);

// Whether an entry name of `view` matches a non-empty filter, apart from
// the cookie view (whose files are searched instead). With EXTSRCH a cache
// entry is also tried through its local file's name.
bool NameMatchesFilter(ProtectView view, std::string_view name, std::string_view filter, std::string_view localFile,
                       bool extendedSearch);

} // namespace kp
