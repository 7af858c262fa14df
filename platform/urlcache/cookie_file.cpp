#include "platform/urlcache/cookie_file.h"

#include <charconv>

namespace kp::win {

namespace {

bool parseNumber(std::string_view text, std::uint32_t& out)
{
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string formatCookieFile(const std::vector<CookieRecord>& cookies)
{
    std::string out;
    for (const CookieRecord& c : cookies) {
        for (const std::string& line : {c.name, c.value, c.hostPath, std::to_string(c.flags),
                                        std::to_string(c.expires.low), std::to_string(c.expires.high),
                                        std::to_string(c.created.low), std::to_string(c.created.high),
                                        std::string("*")}) {
            out += line;
            out += '\n';
        }
    }
    return out;
}

DWORD parseCookieFile(std::string_view text, std::vector<CookieRecord>& out)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t lf = text.find('\n');
        if (lf == std::string_view::npos)
            return err::INVALID_DATA;
        std::string_view line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(lf + 1);
    }
    if (lines.size() % 9 != 0)
        return err::INVALID_DATA;
    std::vector<CookieRecord> cookies;
    for (std::size_t at = 0; at < lines.size(); at += 9) {
        CookieRecord c;
        c.name = lines[at];
        c.value = lines[at + 1];
        c.hostPath = lines[at + 2];
        if (!parseNumber(lines[at + 3], c.flags) || !parseNumber(lines[at + 4], c.expires.low)
            || !parseNumber(lines[at + 5], c.expires.high) || !parseNumber(lines[at + 6], c.created.low)
            || !parseNumber(lines[at + 7], c.created.high) || lines[at + 8] != "*")
            return err::INVALID_DATA;
        cookies.push_back(std::move(c));
    }
    out = std::move(cookies);
    return err::SUCCESS;
}

} // namespace kp::win
