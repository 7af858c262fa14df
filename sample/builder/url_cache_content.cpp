// The browser's URL cache of the sample machine, written through the
// platform's URL cache: online and offline entries with their files in the
// cache subfolders, a .cdf channel, cookies with their text files, visited
// URLs and the daily history containers; and the irregular cases a cleaner
// meets: an entry whose file is gone, files no entry names, an entry whose
// record does not fit a 4096-byte buffer.

#include "platform/files/dos_paths.h"
#include "platform/urlcache/index_dat_file.h"
#include "platform/urlcache/url_cache.h"
#include "sample/builder/build_context.h"

#include <array>
#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::sample {

using namespace kp::win;

namespace {

constexpr std::array<const char*, 8> kSites = {
    "www.example.com",    "news.example.org",   "shop.example.net",   "mail.example.com",
    "search.example.com", "video.example.tv",   "static.cdn.example.net", "forum.example.org",
};

struct Kind {
    const char* extension;
    const char* contentType;
};
constexpr std::array<Kind, 5> kKinds = {{
    {"htm", "text/html"}, {"gif", "image/gif"}, {"css", "text/css"}, {"js", "application/x-javascript"},
    {"jpg", "image/jpeg"},
}};

std::string responseHeader(const char* contentType, std::size_t length)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType) + "\r\nContent-Length: "
        + std::to_string(length) + "\r\n\r\n";
}

std::string base36(int n)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36]);
        n /= 36;
    } while (n > 0);
    return digits;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class CacheWriter {
public:
    explicit CacheWriter(BuildContext& c)
        : c_(c)
        , cache_(*c.machine, {c.folders.cache, c.folders.cookies, c.folders.history})
    {
    }

    // An entry with a local file of `size` bytes, last used `age` seconds
    // before the machine's now.
    DWORD content(const std::string& url, const Kind& kind, std::size_t size, std::int64_t age, DWORD type,
                  std::string* localOut = nullptr, std::string extraHeader = {}, bool withHeader = true)
    {
        std::string local;
        if (DWORD e = cache_.createUrlCacheEntry(url, kind.extension, local))
            return e;
        const std::int64_t used = c_.now - age;
        if (DWORD e = c_.writeFile(local, c_.randomBytes(size), used - std::int64_t(c_.random.between(0, 3600))))
            return e;
        UrlCacheCommit commit;
        commit.url = url;
        commit.localFileName = local;
        commit.entryType = type;
        commit.lastAccess = fileTimeFromUnix(used);
        commit.lastModified = fileTimeFromUnix(used - 86400 * std::int64_t(c_.random.between(1, 400)));
        commit.expire = fileTimeFromUnix(used + 86400 * 30);
        if (withHeader)
            commit.headerInfo = responseHeader(kind.contentType, size) + extraHeader;
        commit.fileExtension = kind.extension;
        commit.hitRate = DWORD(c_.random.between(1, 25));
        if (localOut)
            *localOut = local;
        return cache_.commitUrlCacheEntry(commit);
    }

    DWORD visited(const std::string& url, std::int64_t used)
    {
        UrlCacheCommit commit;
        commit.url = url;
        commit.lastAccess = fileTimeFromUnix(used);
        commit.lastModified = commit.lastAccess;
        commit.hitRate = DWORD(c_.random.between(1, 12));
        return cache_.commitUrlCacheEntry(commit);
    }

    UrlCache& cache() { return cache_; }

private:
    BuildContext& c_;
    UrlCache cache_;
};

} // namespace

DWORD writeUrlCache(BuildContext& c)
{
    const MachineFolders& f = c.folders;
    const MachineSpec& s = c.recipe;
    // The Content index names the subfolders made with the profile folders.
    if (DWORD e = IndexDatFile::create(c.hostPath(f.contentIE5 + "\\index.dat"),
                                       IndexFile::createEmpty(c.cacheSubfolders, QWORD(0x7d00) * 1024)))
        return e;
    CacheWriter w(c);
    const std::string user = lower(s.userName);
    std::vector<std::string> pages;

    for (int i = 0; s.smallestCacheEntries && i < s.cacheEntries; ++i) {
        const std::string url = "http://c/" + base36(i);
        if (DWORD e = w.content(url, {"", ""}, c.random.between(120, 24000), std::int64_t(c.random.between(60, 86400 * 40)),
                                NORMAL_CACHE_ENTRY, nullptr, {}, false))
            return e;
    }
    for (int i = 0; !s.smallestCacheEntries && i < s.cacheEntries; ++i) {
        const Kind& kind = kKinds[std::size_t(i) % kKinds.size()];
        const std::string url = "http://" + std::string(kSites[std::size_t(i) % kSites.size()]) + "/"
            + (i % 3 ? "images/" : "") + "item" + std::to_string(i) + "." + kind.extension;
        const std::int64_t age = std::int64_t(c.random.between(60, 86400 * 40));
        if (DWORD e = w.content(url, kind, c.random.between(120, 24000), age, NORMAL_CACHE_ENTRY))
            return e;
        if (kind.extension == std::string("htm"))
            pages.push_back(url);
    }
    for (int i = 0; i < s.offlineEntries; ++i) {
        const std::string url = "http://channel.example.com/offline/story" + std::to_string(i) + ".htm";
        if (DWORD e = w.content(url, kKinds[0], c.random.between(500, 9000), std::int64_t(c.random.between(60, 86400 * 20)),
                                NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY))
            return e;
    }
    const Kind cdf {"cdf", "application/x-cdf"};
    if (DWORD e = w.content("http://channel.example.com/news.cdf", cdf, 1800, 86400 * 3,
                            NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY))
        return e;

    // A record larger than 4096 bytes: a long address and a long header.
    std::string longUrl = "http://search.example.com/results.htm?q=";
    for (int i = 0; i < 40; ++i)
        longUrl += "privacy+cleaner+" + std::to_string(i) + "+";
    std::string cookieHeaders;
    for (int i = 0; i < 40; ++i)
        cookieHeaders += "Set-Cookie: pref" + std::to_string(i) + "=" + std::string(80, char('a' + i % 26)) + "; path=/\r\n";
    if (DWORD e = w.content(longUrl, kKinds[0], 3000, 7200, NORMAL_CACHE_ENTRY, nullptr, cookieHeaders))
        return e;

    // An entry whose local file is gone.
    std::string missing;
    if (DWORD e = w.content("http://www.example.com/deleted-by-hand.htm", kKinds[0], 700, 86400, NORMAL_CACHE_ENTRY,
                            &missing))
        return e;
    std::string missingHost;
    if (DWORD e = c.machine->paths().toHost(missing, missingHost))
        return e;
    if (::unlink(missingHost.c_str()) != 0)
        return err::ACCESS_DENIED;
    const std::size_t slash = missingHost.rfind('/');
    c.machine->paths().noteRemoved(missingHost.substr(0, slash), missingHost.substr(slash + 1));

    // Files that no entry names.
    if (DWORD e = c.writeFile(f.contentIE5 + "\\" + c.cacheSubfolders[0] + "\\orphan[1].htm", c.randomBytes(900),
                              c.now - 86400 * 2))
        return e;
    if (DWORD e = c.writeFile(f.cookies + "\\" + user + "@orphan.example[1].txt",
                              formatCookieFile({{"old", "1", "orphan.example/", 0, fileTimeFromUnix(c.now + 86400),
                                                 fileTimeFromUnix(c.now - 86400 * 90)}}),
                              c.now - 86400 * 90))
        return e;

    for (int i = 0; i < s.cookies; ++i) {
        const std::string host = kSites[std::size_t(i) % kSites.size()];
        const std::string hostPath = (i < int(kSites.size()) ? host : "ads" + std::to_string(i) + ".example.net") + "/";
        std::vector<CookieRecord> records;
        for (int k = 0; k < 1 + i % 3; ++k)
            records.push_back({"c" + std::to_string(k), c.random.name(16), hostPath, 1536,
                               fileTimeFromUnix(c.now + 86400 * std::int64_t(c.random.between(1, 700))),
                               fileTimeFromUnix(c.now - 86400 * std::int64_t(c.random.between(1, 300)))});
        const std::int64_t used = c.now - std::int64_t(c.random.between(60, 86400 * 30));
        if (DWORD e = w.cache().setCookie(user, hostPath, records, fileTimeFromUnix(used)))
            return e;
    }

    for (int i = 0; i < s.visitedUrls; ++i) {
        const std::string url = i < int(pages.size())
            ? pages[std::size_t(i)]
            : "http://" + std::string(kSites[std::size_t(i) % kSites.size()]) + "/visited" + std::to_string(i) + ".htm";
        if (DWORD e = w.visited("Visited: " + user + "@" + url, c.now - std::int64_t(c.random.between(60, 86400 * 20))))
            return e;
    }

    for (std::size_t day = 0; day < c.historyFolders.size(); ++day) {
        const std::string prefix = ":" + c.historyFolders[day].substr(8) + ": ";
        for (int i = 0; i < s.historyEntries; ++i) {
            const std::string url = pages.empty() ? "http://www.example.com/" : pages[(day * 7 + std::size_t(i)) % pages.size()];
            const std::int64_t used = c.now - std::int64_t(day) * 86400 + std::int64_t(c.random.between(0, 86399));
            if (DWORD e = w.visited(prefix + user + "@" + url, used))
                return e;
        }
    }

    // The index files carry the machine's time, as every other file does.
    std::vector<std::string> indexes = {f.contentIE5, f.cookies, f.historyIE5};
    for (const std::string& day : c.historyFolders)
        indexes.push_back(f.historyIE5 + "\\" + day);
    const timespec times[2] = {{time_t(c.now), 0}, {time_t(c.now), 0}};
    for (const std::string& folder : indexes)
        if (::utimensat(AT_FDCWD, c.hostPath(folder + "\\index.dat").c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return err::FILE_NOT_FOUND;
    return err::SUCCESS;
}

} // namespace kp::sample
