#include "platform/profile/profile.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/files/file_system.h"
#include "platform/host/atomic_file.h"
#include "platform/machine.h"
#include "platform/profile/ini_document.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace kp::win {

namespace {

std::string stripQuotes(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// As RtlUnicodeStringToInteger with base 0 reads a number.
DWORD parseProfileNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char kind = char(std::tolower((unsigned char)text[i + 1]));
        base = kind == 'x' ? 16 : kind == 'o' ? 8 : kind == 'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    DWORD value = 0;
    for (; i < text.size(); ++i) {
        char c = char(std::tolower((unsigned char)text[i]));
        unsigned digit = std::isdigit((unsigned char)c) ? unsigned(c - '0') : (c >= 'a' && c <= 'f') ? unsigned(c - 'a' + 10) : 99;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? DWORD(0u - value) : value;
}

} // namespace

Profile::Profile(Machine& machine)
    : machine_(machine)
{
}

DWORD Profile::locate(std::string_view file, std::string& host, bool& exists)
{
    std::string path(file);
    if (path.find_first_of("\\/:") == std::string::npos)
        path = "C:\\Windows\\" + path;
    FileSystem fs(machine_);
    return fs.hostPath(path, host, &exists);
}

DWORD Profile::load(std::string_view file, std::string& text)
{
    std::string host;
    bool exists = false;
    if (DWORD e = locate(file, host, exists))
        return e;
    if (!exists)
        return err::FILE_NOT_FOUND;
    std::ifstream in(host, std::ios::binary);
    if (!in)
        return err::ACCESS_DENIED;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return err::SUCCESS;
}

DWORD Profile::getString(std::string_view section, std::string_view key, std::string_view defaultValue,
    std::string_view file, std::string& out)
{
    std::string text;
    DWORD e = load(file, text);
    std::optional<std::string> value;
    if (!e)
        value = IniDocument(text).value(section, key);
    if (value) {
        out = stripQuotes(*value);
        return err::SUCCESS;
    }
    std::string_view fallback = defaultValue;
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.remove_suffix(1);
    out = std::string(fallback);
    return err::FILE_NOT_FOUND;
}

DWORD Profile::getInt(std::string_view section, std::string_view key, int defaultValue, std::string_view file)
{
    std::string value;
    if (getString(section, key, "", file, value) || value.empty())
        return DWORD(defaultValue);
    return parseProfileNumber(value);
}

DWORD Profile::sectionNames(std::string_view file, std::vector<std::string>& out)
{
    out.clear();
    std::string text;
    if (DWORD e = load(file, text))
        return e;
    out = IniDocument(text).sectionNames();
    return err::SUCCESS;
}

DWORD Profile::keyNames(std::string_view section, std::string_view file, std::vector<std::string>& out)
{
    out.clear();
    std::string text;
    if (DWORD e = load(file, text))
        return e;
    IniDocument document(text);
    if (!document.hasSection(section))
        return err::FILE_NOT_FOUND;
    out = document.keyNames(section);
    return err::SUCCESS;
}

DWORD Profile::writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
    std::optional<std::string_view> value, std::string_view file)
{
    if (!section)
        return key || value ? err::FILE_NOT_FOUND : err::SUCCESS;
    std::string host;
    bool exists = false;
    if (DWORD e = locate(file, host, exists))
        return e;
    std::string text;
    if (exists) {
        HostFileInfo info;
        if (DWORD e = readHostFileInfo(host, info))
            return e;
        if (info.attributes & attr::DIRECTORY)
            return err::ACCESS_DENIED;
        if (info.attributes & attr::READONLY)
            return err::ACCESS_DENIED;
        if (DWORD e = load(file, text))
            return e;
    }
    IniDocument document(text);
    bool changed = !key ? document.deleteSection(*section)
        : !value        ? document.deleteKey(*section, *key)
                        : document.setValue(*section, *key, *value);
    if (!changed)
        return err::SUCCESS;
    if (DWORD e = replaceFileAtomically(host, document.text()))
        return e;
    if (!exists) {
        std::size_t slash = host.rfind('/');
        machine_.paths().noteAdded(slash == 0 ? "/" : host.substr(0, slash), host.substr(slash + 1));
    }
    return err::SUCCESS;
}

} // namespace kp::win
