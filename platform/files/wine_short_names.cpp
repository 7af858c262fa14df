#include "platform/files/wine_short_names.h"

#include "platform/files/win_path.h"

#include <clocale>
#include <cstdint>
#include <cwctype>
#include <vector>

namespace kp::win {

namespace {

// The name as UTF-16 code units, as Wine hashes it; a byte that is not
// valid UTF-8 counts as one unit.
std::vector<char16_t> utf16Units(std::string_view text)
{
    std::vector<char16_t> units;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (length == 1 || i + length > text.size()) {
            units.push_back(c);
            ++i;
            continue;
        }
        char32_t code = c & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(char16_t(0xD800 + (code >> 10)));
            units.push_back(char16_t(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(char16_t(code));
        }
        i += length;
    }
    return units;
}

// Wine hashes the lower-case form of each UTF-16 unit (Unicode's simple
// case mapping, not only ASCII).
char16_t lowerUnit(char16_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : c;
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    if (!unicode || (c >= 0xD800 && c < 0xE000))
        return c;
    const wint_t lower = ::towlower_l(wint_t(c), unicode);
    return lower < 0x10000 ? char16_t(lower) : c;
}

// Characters Wine replaces with '_' in a short name.
bool invalidDosChar(char16_t c)
{
    return c > 0x7F || std::u16string_view(u"*?<>|\"+=,;[] ~.").find(c) != std::u16string_view::npos;
}

char upperDosChar(char16_t c)
{
    if (invalidDosChar(c))
        return '_';
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c);
}

} // namespace

std::string wineShortName(std::string_view longName)
{
    if (isValidShortName(longName))
        return std::string(longName);
    const std::vector<char16_t> name = utf16Units(longName);
    if (name.empty())
        return {};
    std::uint16_t hash = 0xbeef;
    for (std::size_t i = 0; i + 1 < name.size(); ++i)
        hash = std::uint16_t((hash << 3) ^ (hash >> 5) ^ lowerUnit(name[i]) ^ (lowerUnit(name[i + 1]) << 8));
    hash = std::uint16_t((hash << 3) ^ (hash >> 5) ^ lowerUnit(name.back()));

    // The extension starts at the last dot that is neither first nor last.
    std::size_t ext = std::string::npos;
    for (std::size_t i = 1; i + 1 < name.size(); ++i)
        if (name[i] == '.')
            ext = i;
    std::string out;
    for (std::size_t i = 0; i < 4 && i < name.size() && i != ext; ++i)
        out += upperDosChar(name[i]);
    out.append(5 - out.size(), '~');
    static const char hashChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    out += hashChars[(hash >> 10) & 0x1F];
    out += hashChars[(hash >> 5) & 0x1F];
    out += hashChars[hash & 0x1F];
    if (ext != std::string::npos) {
        out += '.';
        for (std::size_t i = ext + 1; i < ext + 4 && i < name.size(); ++i)
            out += upperDosChar(name[i]);
    }
    return out;
}

} // namespace kp::win
