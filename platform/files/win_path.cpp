#include "platform/files/win_path.h"

#include <algorithm>
#include <cctype>

namespace kp::win {

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upper(c);
    return out;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return upper(x) == upper(y); });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool isShortNameChar(unsigned char c)
{
    if (c >= 0x80)
        return false;
    if (std::isalnum(c))
        return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(char(c)) != std::string_view::npos;
}

bool isValidShortName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    std::size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3)
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;
    auto valid = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return isShortNameChar((unsigned char)c); });
    };
    return valid(base) && valid(ext);
}

std::string_view folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view nameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

DWORD splitWindowsPath(std::string_view winPath, char& drive, std::vector<std::string>& components)
{
    components.clear();
    if (winPath.size() >= 4 && (winPath.substr(0, 4) == "\\\\?\\" || winPath.substr(0, 4) == "\\\\.\\"))
        winPath.remove_prefix(4);
    if (winPath.size() < 2 || winPath[1] != ':' || !std::isalpha((unsigned char)winPath[0]))
        return err::INVALID_NAME;
    drive = char(std::toupper((unsigned char)winPath[0]));
    std::string_view rest = winPath.substr(2);
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t end = rest.find_first_of("\\/", pos);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view part = rest.substr(pos, end - pos);
        if (part == "..") {
            if (!components.empty())
                components.pop_back();
        } else {
            // Windows drops trailing dots and spaces of a name.
            while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                part.remove_suffix(1);
            if (!part.empty())
                components.emplace_back(part);
        }
        pos = end + 1;
    }
    return err::SUCCESS;
}

} // namespace kp::win
