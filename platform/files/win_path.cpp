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

// Wine's test: at most 8 characters, a dot and at most 3, of ASCII without
// the characters a short name may not hold; a leading dot is not allowed.
bool isValidShortName(std::string_view name)
{
    if (name.empty() || name.size() > 12 || name[0] == '.')
        return false;
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c > 0x7F || std::string_view("*?<>|\"+=,;[] :/\\").find(char(c)) != std::string_view::npos)
            return false;
        if (c == '.') {
            if (dot != std::string_view::npos)
                return false;
            dot = i;
        }
    }
    if (dot == std::string_view::npos)
        return name.size() <= 8;
    return dot <= 8 && name.size() - dot > 1 && name.size() - dot < 5;
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
