#include "platform/registry/reg_syntax.h"

#include <algorithm>
#include <cstdio>

namespace kp::win::regtext {

namespace {

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Decodes one UTF-8 sequence at text[i]; an invalid one yields its first
// byte as a Latin-1 character. Advances i.
char32_t decodeOne(std::string_view text, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return b0;
    }
    if (i + extra >= text.size()) {
        ++i;
        return b0;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF) {
        ++i;
        return b0;
    }
    i += extra + 1;
    return cp;
}

void encodeOne(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUnits(Units& out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

char32_t upper(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c < 0x80)
        return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

std::vector<std::uint8_t> unitsToBytes(const Units& units)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && (isSpace(s.back()) || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool onlySpace(std::string_view s)
{
    for (char c : s)
        if (!isSpace(c))
            return false;
    return true;
}

// Skips the name and '=' of a value line; npos when malformed.
std::size_t skipName(std::string_view text, std::string* name)
{
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    if (pos >= text.size())
        return std::string_view::npos;
    if (text[pos] == '@') {
        ++pos;
        if (name)
            name->clear();
    } else if (text[pos] == '"') {
        const std::size_t plain = text.find_first_of("\\\"", pos + 1);
        auto ascii = [&] {
            for (std::size_t k = pos + 1; k < plain; ++k)
                if (static_cast<unsigned char>(text[k]) >= 0x80)
                    return false;
            return true;
        };
        if (plain != std::string_view::npos && text[plain] == '"' && ascii()) {
            // No escapes: the name is the text itself.
            if (name)
                name->assign(text.substr(pos + 1, plain - pos - 1));
            pos = plain + 1;
        } else {
            Units units;
            const std::size_t used = parseEscaped(text.substr(pos + 1), '"', name ? &units : nullptr);
            if (used == std::string_view::npos)
                return used;
            pos += 1 + used;
            if (name)
                *name = fromUnits(units);
        }
    } else {
        return std::string_view::npos;
    }
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return std::string_view::npos;
    ++pos;
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    return pos;
}

// Hex byte list, possibly over several '\n'-joined lines.
bool parseHexList(std::string_view text, std::vector<std::uint8_t>* out)
{
    std::size_t pos = 0;
    for (;;) {
        while (pos + 1 < text.size() && isHex(text[pos]) && isHex(text[pos + 1])) {
            if (out)
                out->push_back(static_cast<std::uint8_t>(hexValue(text[pos]) * 16 + hexValue(text[pos + 1])));
            pos += 2;
            if (pos < text.size() && text[pos] == ',')
                ++pos;
        }
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        if (pos == text.size())
            return true;
        if (text[pos] != '\\')
            return false;
        ++pos;
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        if (pos == text.size() || text[pos] != '\n')
            return false;
        ++pos;
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
    }
}

} // namespace

Units toUnits(std::string_view utf8)
{
    Units out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decodeOne(utf8, i);
        appendUnits(out, cp);
    }
    return out;
}

std::string fromUnits(std::u16string_view units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        encodeOne(out, cp);
    }
    return out;
}

std::string foldName(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
            ++i;
            continue;
        }
        encodeOne(out, upper(decodeOne(utf8, i)));
    }
    return out;
}

std::size_t parseEscaped(std::string_view text, char end, Units* target)
{
    Units scratch;
    Units& out = target ? *target : scratch;
    out.clear();
    std::size_t p = 0;
    while (p < text.size() && text[p] != end) {
        if (text[p] != '\\') {
            const char stops[2] = {'\\', end};
            const std::size_t plain = std::min(text.find_first_of(std::string_view(stops, 2), p), text.size());
            if (!target) {
                p = plain;
                continue;
            }
            while (p < plain)
                appendUnits(out, decodeOne(text, p));
            continue;
        }
        ++p;
        if (p >= text.size())
            return std::string_view::npos;
        const char c = text[p];
        switch (c) {
        case 'a': out += u'\a'; ++p; break;
        case 'b': out += u'\b'; ++p; break;
        case 'e': out += char16_t(0x1B); ++p; break;
        case 'f': out += u'\f'; ++p; break;
        case 'n': out += u'\n'; ++p; break;
        case 'r': out += u'\r'; ++p; break;
        case 't': out += u'\t'; ++p; break;
        case 'v': out += u'\v'; ++p; break;
        case 'x': {
            ++p;
            if (p >= text.size() || !isHex(text[p])) {
                out += u'x';
                break;
            }
            unsigned v = 0;
            for (int k = 0; k < 4 && p < text.size() && isHex(text[p]); ++k)
                v = v * 16 + hexValue(text[p++]);
            out += static_cast<char16_t>(v);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                unsigned v = 0;
                for (int k = 0; k < 3 && p < text.size() && text[p] >= '0' && text[p] <= '7'; ++k)
                    v = v * 8 + (text[p++] - '0');
                out += static_cast<char16_t>(v);
            } else {
                appendUnits(out, decodeOne(text, p));
            }
            break;
        }
    }
    if (p >= text.size())
        return std::string_view::npos;
    return p + 1;
}

std::size_t appendEscaped(std::string& out, std::u16string_view units, const char special[2])
{
    static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
    const std::size_t start = out.size();
    char buf[16];
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        const bool last = i + 1 == units.size();
        if (c > 127) {
            const bool hexNext = !last && units[i + 1] < 128 && isHex(static_cast<char>(units[i + 1]));
            std::snprintf(buf, sizeof buf, hexNext ? "\\x%04x" : "\\x%x", unsigned(c));
            out += buf;
            continue;
        }
        if (c < 32) {
            if (c == 0 && last)
                continue;
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else {
                const bool octNext = !last && units[i + 1] >= '0' && units[i + 1] <= '7';
                std::snprintf(buf, sizeof buf, octNext ? "\\%03o" : "\\%o", unsigned(c));
                out += buf;
            }
            continue;
        }
        if (c == '\\' || c == special[0] || c == special[1])
            out += '\\';
        out += static_cast<char>(c);
    }
    return out.size() - start;
}

std::string formatKeyPath(const std::vector<std::string>& components)
{
    std::string out;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i)
            out += "\\\\";
        appendEscaped(out, toUnits(components[i]), "[]");
    }
    return out;
}

bool continues(std::string_view line)
{
    const std::size_t pos = skipName(line, nullptr);
    if (pos == std::string_view::npos || line.substr(pos, 3) != "hex")
        return false;
    const std::string_view t = trimRight(line);
    return !t.empty() && t.back() == '\\';
}

std::optional<ParsedValue> parseValue(std::string_view text, bool withData)
{
    ParsedValue v;
    std::size_t pos = skipName(text, &v.name);
    if (pos == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = text.substr(pos);

    auto parseString = [&](std::size_t tagLen, DWORD type) -> bool {
        Units units;
        const std::size_t used = parseEscaped(rest.substr(tagLen), '"', withData ? &units : nullptr);
        if (used == std::string_view::npos || !onlySpace(rest.substr(tagLen + used)))
            return false;
        v.type = type;
        if (withData) {
            units += u'\0';
            v.data = unitsToBytes(units);
        }
        return true;
    };

    if (rest.starts_with("\"")) {
        if (!parseString(1, regtype::SZ))
            return std::nullopt;
    } else if (rest.starts_with("str:\"")) {
        if (!parseString(5, regtype::SZ))
            return std::nullopt;
    } else if (rest.starts_with("str(2):\"")) {
        if (!parseString(8, regtype::EXPAND_SZ))
            return std::nullopt;
    } else if (rest.starts_with("str(7):\"")) {
        if (!parseString(8, regtype::MULTI_SZ))
            return std::nullopt;
    } else if (rest.starts_with("dword:")) {
        std::string_view digits = rest.substr(6);
        std::size_t n = 0;
        DWORD value = 0;
        while (n < digits.size() && isHex(digits[n]) && n < 8)
            value = value * 16 + hexValue(digits[n++]);
        if (n == 0 || !onlySpace(digits.substr(n)))
            return std::nullopt;
        v.type = regtype::DWORD_LE;
        if (withData)
            v.data = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
    } else if (rest.starts_with("hex:")) {
        v.type = regtype::BINARY;
        if (!parseHexList(rest.substr(4), withData ? &v.data : nullptr))
            return std::nullopt;
    } else if (rest.starts_with("hex(")) {
        std::size_t p = 4;
        DWORD type = 0;
        std::size_t n = 0;
        while (p < rest.size() && isHex(rest[p]) && n < 8) {
            type = type * 16 + hexValue(rest[p++]);
            ++n;
        }
        if (n == 0 || rest.substr(p, 2) != "):")
            return std::nullopt;
        v.type = type;
        if (!parseHexList(rest.substr(p + 2), withData ? &v.data : nullptr))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return v;
}

std::string formatValue(std::string_view name, DWORD type, const std::vector<std::uint8_t>& data)
{
    std::string out;
    std::size_t count;
    if (!name.empty()) {
        out += '"';
        count = 1 + appendEscaped(out, toUnits(name), "\"\"");
        out += "\"=";
        count += 2;
    } else {
        out += "@=";
        count = 2;
    }

    if (type == regtype::SZ || type == regtype::EXPAND_SZ || type == regtype::MULTI_SZ) {
        const std::size_t len = data.size();
        if (len >= 2 && len % 2 == 0 && data[len - 1] == 0 && data[len - 2] == 0) {
            if (type != regtype::SZ) {
                char tag[16];
                std::snprintf(tag, sizeof tag, "str(%x):", unsigned(type));
                out += tag;
            }
            Units units;
            units.reserve(len / 2);
            for (std::size_t i = 0; i < len; i += 2)
                units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
            out += '"';
            appendEscaped(out, units, "\"\"");
            out += "\"\n";
            return out;
        }
    } else if (type == regtype::DWORD_LE && data.size() == 4) {
        char text[24];
        const DWORD dw = data[0] | (data[1] << 8) | (data[2] << 16) | (DWORD(data[3]) << 24);
        std::snprintf(text, sizeof text, "dword:%08x\n", unsigned(dw));
        out += text;
        return out;
    }

    char tag[24];
    if (type == regtype::BINARY)
        std::snprintf(tag, sizeof tag, "hex:");
    else
        std::snprintf(tag, sizeof tag, "hex(%x):", unsigned(type));
    out += tag;
    count += std::string_view(tag).size();
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
        count += 2;
        if (i + 1 < data.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
    return out;
}

} // namespace kp::win::regtext
