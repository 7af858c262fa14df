#include "protect/cookie_details.h"

#include "protect/protect_rows.h"

namespace kp {

namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return out;
}

// Calls `use` with the first four lines of every complete record.
template <typename Use>
void forEachRecord(std::string_view text, Use use)
{
    std::string_view lines[9];
    int count = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines[count++] = line;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (count == 9) {
            if (use(lines[0], lines[1], lines[2], lines[3]))
                return;
            count = 0;
        }
    }
}

std::string_view withoutTrailingSlash(std::string_view domain)
{
    if (!domain.empty() && domain.back() == '/')
        domain.remove_suffix(1);
    return domain;
}

bool contains(std::string_view text, std::string_view filter)
{
    return upper(text).find(filter) != std::string::npos;
}

} // namespace

std::vector<CookieDetail> CookieDetails(std::string_view fileText)
{
    std::vector<CookieDetail> details;
    forEachRecord(fileText, [&](std::string_view name, std::string_view value, std::string_view domain,
                                std::string_view flags) {
        details.push_back({std::string(withoutTrailingSlash(domain)), std::string(name), std::string(value),
                           flags == "0" ? "No" : "Yes"});
        return false;
    });
    return details;
}

bool CookieTextMatches(std::string_view fileText, std::string_view filter)
{
    bool found = false;
    forEachRecord(fileText, [&](std::string_view name, std::string_view value, std::string_view domain,
                                std::string_view) {
        found = contains(withoutTrailingSlash(domain), filter) || contains(name, filter) || contains(value, filter);
        return found;
    });
    return found;
}

std::string ListingFilter(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return upper(text);
}

bool NameMatchesFilter(ProtectView view, std::string_view name, std::string_view filter, std::string_view localFile,
                       bool extendedSearch)
{
    std::string text = upper(name);
    if (view == ProtectView::Visited) {
        if (const size_t at = text.find('@'); at != std::string::npos)
            text.erase(0, at + 1);
    }
    if (text.rfind("HTTP://", 0) == 0)
        text.erase(0, 7);
    if (text.find(filter) != std::string::npos)
        return true;
    if (view == ProtectView::Cache && extendedSearch) {
        const size_t slash = localFile.find_last_of('\\');
        return contains(slash == std::string_view::npos ? localFile : localFile.substr(slash + 1), filter);
    }
    return false;
}

} // namespace kp
