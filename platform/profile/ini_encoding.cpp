#include "platform/profile/ini_encoding.h"

#include "platform/registry/reg_syntax.h"

namespace kp::win {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::string fromUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    }
    return regtext::fromUnits(units);
}

std::string toUtf16(std::string_view text, bool bigEndian)
{
    const std::u16string units = regtext::toUnits(text);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

} // namespace

IniEncoding decodeIniFile(std::string_view bytes, std::string& text)
{
    if (bytes.starts_with(kUtf8Mark)) {
        text = bytes.substr(kUtf8Mark.size());
        return IniEncoding::Utf8;
    }
    if (bytes.starts_with(kUtf16LeMark)) {
        text = fromUtf16(bytes.substr(kUtf16LeMark.size()), false);
        return IniEncoding::Utf16Le;
    }
    if (bytes.starts_with(kUtf16BeMark)) {
        text = fromUtf16(bytes.substr(kUtf16BeMark.size()), true);
        return IniEncoding::Utf16Be;
    }
    text = bytes;
    return IniEncoding::Ansi;
}

std::string encodeIniFile(IniEncoding encoding, std::string_view text)
{
    switch (encoding) {
    case IniEncoding::Utf8:
        return std::string(kUtf8Mark) + std::string(text);
    case IniEncoding::Utf16Le:
        return std::string(kUtf16LeMark) + toUtf16(text, false);
    case IniEncoding::Utf16Be:
        return std::string(kUtf16BeMark) + toUtf16(text, true);
    case IniEncoding::Ansi:
        break;
    }
    return std::string(text);
}

} // namespace kp::win
