#include "zones/site_url.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace kp {

namespace {

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool number(std::string_view text, long& out)
{
    if (text.empty() || text.size() > 9)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool partInRange(std::string_view part, std::string_view range)
{
    if (range == "*" || part == range)
        return true;
    long value = 0;
    if (!number(part, value))
        return false;
    if (const size_t dash = range.find('-'); dash != std::string_view::npos) {
        long low = 0, high = 0;
        return number(range.substr(0, dash), low) && number(range.substr(dash + 1), high) && low <= value
               && value <= high;
    }
    long wanted = 0;
    return number(range, wanted) && wanted == value;
}

} // namespace

bool IsAddressHost(std::string_view host)
{
    std::string shape;
    for (char c : host) {
        const bool hash = (c >= '0' && c <= '9') || c == '*' || c == '-';
        if (!(hash && !shape.empty() && shape.back() == '#'))
            shape += hash ? '#' : c;
    }
    return shape == "#.#.#.#";
}

bool IsValidHost(std::string_view host)
{
    if (host.size() > 2 && startsWith(host, "*."))
        host.remove_prefix(2);
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    });
}

bool AddressInRange(std::string_view address, std::string_view range)
{
    const auto parts = split(address, '.');
    const auto ranges = split(range, '.');
    if (parts.size() != 4 || ranges.size() != 4)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (!partInRange(parts[i], ranges[i]))
            return false;
    return true;
}

void SplitHost(const std::string& host, std::string& domain, std::string& sub)
{
    // top, second, third label and the rest, read from the end.
    std::array<std::string, 4> labels;
    std::string_view left = host;
    for (int i = 0; i < 3; ++i) {
        const size_t dot = left.rfind('.');
        if (dot == std::string_view::npos) {
            labels[i] = std::string(left);
            left = {};
            break;
        }
        labels[i] = std::string(left.substr(dot + 1));
        left = left.substr(0, dot);
    }
    labels[3] = std::string(left);
    const std::string& top = labels[0];
    const std::string& second = labels[1];
    const std::string& third = labels[2];
    const std::string& rest = labels[3];
    std::string pattern;
    for (int i = 3; i >= 0; --i)
        pattern += labels[i].empty() ? '0' : '1';

    const bool shortSuffix = !(top.size() >= 3 || (top.size() == 2 && second.size() >= 3));
    domain = host;
    sub.clear();
    if (pattern == "0001") {
        domain = top;
    } else if (pattern == "0011") {
        domain = second + "." + top;
    } else if (pattern == "0111") {
        domain = shortSuffix ? third + "." + second + "." + top : second + "." + top;
        sub = shortSuffix ? std::string() : third;
    } else if (pattern == "1111") {
        domain = shortSuffix ? third + "." + second + "." + top : second + "." + top;
        sub = shortSuffix ? rest : rest + "." + third;
    }
    if (sub.empty() && startsWith(domain, "*.")) {
        domain.erase(0, 2);
        sub = "*";
    }
}

bool ParseSiteUrl(std::string_view text, SiteInfo& site)
{
    site = SiteInfo{};
    if (const size_t at = text.find('@'); at != std::string_view::npos)
        text.remove_prefix(at + 1);
    std::string rest = lowered(text);

    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> schemes{{
        {"http://", "http"}, {"https://", "https"}, {"ftp://", "ftp"}, {"file:///", "n/a"}}};
    bool known = false;
    for (const auto& [prefix, scheme] : schemes) {
        if (startsWith(rest, prefix)) {
            site.scheme = scheme;
            rest.erase(0, prefix.size());
            known = true;
            break;
        }
    }
    if (!known)
        if (const size_t mark = rest.find("://"); mark != std::string::npos)
            rest.erase(0, mark + 3);

    size_t cut = rest.find('?');
    if (cut == std::string::npos)
        cut = rest.find('#');
    rest = rest.substr(0, cut);
    site.host = rest.substr(0, rest.find('/'));

    if (IsAddressHost(site.host)) {
        site.domain = site.host;
        site.isAddress = true;
        return true;
    }
    if (!IsValidHost(site.host)) {
        site.scheme = "n/a";
        site.zoneText = "n/a";
        return false;
    }
    SplitHost(site.host, site.domain, site.sub);
    return true;
}

std::string trimmedMask(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

std::string MaskSuggestion(const SiteInfo& site, bool oneRowSelected)
{
    if (!oneRowSelected)
        return {};
    std::string text = site.maskText.empty() ? site.domain : site.maskText;
    if (text.empty())
        return text;
    size_t hostStart = 0;
    for (std::string_view prefix : {"https://", "http://", "ftp://", "file:///", "file://"}) {
        if (startsWith(text, prefix)) {
            hostStart = prefix.size();
            break;
        }
    }
    if (text.compare(hostStart, 2, "*.") != 0)
        text.insert(hostStart, "*.");

    if (const size_t slashes = text.find("//*"); slashes == std::string::npos) {
        if (startsWith(text, "*.") && IsAddressHost(std::string_view(text).substr(2)))
            text.erase(0, 2);
    } else {
        const size_t after = text.find("//") + 2;
        if (text.compare(after, 2, "*.") == 0 && IsAddressHost(std::string_view(text).substr(after + 2)))
            text.erase(after, 2);
    }
    return text;
}

} // namespace kp
