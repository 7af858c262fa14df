#include "platform/profile/profile.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/files/file_system.h"
#include "platform/host/atomic_file.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <cctype>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

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

// The coarsest time stamps of the file systems a prefix may live on (FAT's).
constexpr std::int64_t kStampGrain = 2'000'000'000;

std::int64_t nanoseconds(const timespec& t)
{
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t nowNanoseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

DWORD readWholeFile(const std::string& host, std::string& bytes)
{
    std::ifstream in(host, std::ios::binary);
    if (!in)
        return err::ACCESS_DENIED;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = std::move(all).str();
    return err::SUCCESS;
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

DWORD Profile::load(std::string_view file, const Parsed*& out)
{
    std::string host;
    bool exists = false;
    if (DWORD e = locate(file, host, exists))
        return e;
    if (!exists)
        return err::FILE_NOT_FOUND;
    const std::int64_t readAt = nowNanoseconds();
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        return errorFromErrno(errno);
    const FileStamp stamp {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::uint64_t(st.st_size),
        nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    const bool sameStamp = parsed_ && parsed_->host == host && parsed_->stamp == stamp;
    if (!sameStamp || !parsed_->settled) {
        std::string bytes;
        if (DWORD e = readWholeFile(host, bytes)) {
            parsed_.reset();
            return e;
        }
        if (!sameStamp || bytes != parsed_->recentBytes) {
            std::string text;
            const IniEncoding encoding = decodeIniFile(bytes, text);
            parsed_ = Parsed {host, stamp, encoding, IniDocument(text), false, {}};
        }
        // Stamps are coarse: a file changed just before it was read may
        // change again under the same stamp, so its bytes are kept to
        // compare until the stamp is old enough to tell.
        parsed_->settled = stamp.modified < readAt - kStampGrain;
        parsed_->recentBytes = parsed_->settled ? std::string() : std::move(bytes);
    }
    out = &*parsed_;
    return err::SUCCESS;
}

DWORD Profile::getString(std::string_view section, std::string_view key, std::string_view defaultValue,
    std::string_view file, std::string& out)
{
    const Parsed* parsed = nullptr;
    std::optional<std::string> value;
    if (load(file, parsed) == err::SUCCESS)
        value = parsed->document.value(section, key);
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
    const Parsed* parsed = nullptr;
    if (DWORD e = load(file, parsed))
        return e;
    out = parsed->document.sectionNames();
    return err::SUCCESS;
}

DWORD Profile::keyNames(std::string_view section, std::string_view file, std::vector<std::string>& out)
{
    out.clear();
    const Parsed* parsed = nullptr;
    if (DWORD e = load(file, parsed))
        return e;
    if (!parsed->document.hasSection(section))
        return err::FILE_NOT_FOUND;
    out = parsed->document.keyNames(section);
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
    IniEncoding encoding = IniEncoding::Ansi;
    IniDocument document("");
    if (exists) {
        HostFileInfo info;
        if (DWORD e = readHostFileInfo(host, info))
            return e;
        if (info.attributes & attr::DIRECTORY)
            return err::ACCESS_DENIED;
        if (info.attributes & attr::READONLY)
            return err::ACCESS_DENIED;
        const Parsed* parsed = nullptr;
        if (DWORD e = load(file, parsed))
            return e;
        encoding = parsed->encoding;
        document = parsed->document;
    }
    bool changed = !key ? document.deleteSection(*section)
        : !value        ? document.deleteKey(*section, *key)
                        : document.setValue(*section, *key, *value);
    if (!changed)
        return err::SUCCESS;
    parsed_.reset();
    if (DWORD e = replaceFileAtomically(host, encodeIniFile(encoding, document.text())))
        return e;
    if (!exists) {
        std::size_t slash = host.rfind('/');
        machine_.paths().noteAdded(slash == 0 ? "/" : host.substr(0, slash), host.substr(slash + 1));
    }
    return err::SUCCESS;
}

} // namespace kp::win
