#include "platform/urlcache/url_cache.h"

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/machine.h"
#include "platform/system/shell_folders.h"
#include "platform/system/wine_session.h"
#include "platform/urlcache/index_dat_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

struct UrlCache::Container {
    std::string prefix;    // "Cookie:", "Visited:", ":yyyymmddyyyymmdd:" or ""
    std::string winFolder; // without a trailing backslash
    DWORD defaultType = 0;
    unsigned subfolders = 0; // for a new index
};

struct UrlCache::FindState {
    std::vector<Container> containers;
    std::size_t container = 0;
    IndexFile::WalkPos pos;
    DWORD filter = 0xFFFFFFFF;
};

namespace {

constexpr QWORD kDefaultCacheLimit = 0x07FF5400;
constexpr std::string_view kCookiePrefix = "Cookie:";
constexpr std::string_view kVisitedPrefix = "Visited:";
constexpr std::string_view kPeriodPrefix = "MSHIST01";

std::uint32_t align4(std::size_t n) { return std::uint32_t((n + 3) & ~std::size_t(3)); }

// ":yyyymmddyyyymmdd:" of a daily or weekly history URL, or "".
std::string periodPrefix(std::string_view url)
{
    if (url.size() < 18 || url[0] != ':' || url[17] != ':')
        return {};
    for (std::size_t i = 1; i < 17; ++i)
        if (!std::isdigit(static_cast<unsigned char>(url[i])))
            return {};
    return std::string(url.substr(0, 18));
}

FileTime now()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return fileTimeFromUnix(ts.tv_sec, std::uint32_t(ts.tv_nsec));
}

std::vector<std::string> newSubfolderNames(unsigned count)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::mt19937 random(device());
    std::uniform_int_distribution<int> pick(0, 35);
    std::vector<std::string> names;
    while (names.size() < count) {
        std::string name;
        for (int i = 0; i < 8; ++i)
            name += kChars[pick(random)];
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

// A file name stem for a URL, as the cache names its files.
std::string fileStem(std::string_view url)
{
    std::string_view part = url;
    if (startsWithNoCase(url, kCookiePrefix)) {
        part = url.substr(kCookiePrefix.size());
        part = part.substr(0, part.find('/'));
    } else {
        part = part.substr(0, part.find_first_of("?#"));
        while (!part.empty() && part.back() == '/')
            part.remove_suffix(1);
        part = part.substr(part.find_last_of('/') == std::string_view::npos ? 0 : part.find_last_of('/') + 1);
        if (std::size_t dot = part.rfind('.'); dot != std::string_view::npos && dot > 0)
            part = part.substr(0, dot);
    }
    std::string stem;
    for (char c : part.substr(0, 32))
        stem += std::isalnum(static_cast<unsigned char>(c)) || c == '@' || c == '-' || c == '_' || c == '.' ? c : '_';
    return stem.empty() ? "index" : stem;
}

bool plainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/") == std::string_view::npos;
}

} // namespace

UrlCache::UrlCache(Machine& machine)
    : UrlCache(machine, {})
{
    for (auto [id, folder] : {std::pair {csidl::INTERNET_CACHE, &folders_.cache},
                              std::pair {csidl::COOKIES, &folders_.cookies}, std::pair {csidl::HISTORY, &folders_.history}}) {
        std::string path;
        const DWORD e = shGetFolderPath(machine, id, path);
        if (e == err::SUCCESS || e == err::PATH_NOT_FOUND)
            *folder = path;
        while (!folder->empty() && folder->back() == '\\')
            folder->pop_back();
    }
}

UrlCache::UrlCache(Machine& machine, UrlCacheFolders folders)
    : machine_(machine)
    , folders_(std::move(folders))
{
    for (std::string* f : {&folders_.cache, &folders_.cookies, &folders_.history})
        while (!f->empty() && f->back() == '\\')
            f->pop_back();
}

UrlCache::~UrlCache() = default;

bool UrlCache::wineSessionActive() const
{
    return detectWineSession(machine_.prefixDir()).running;
}

std::vector<UrlCache::Container> UrlCache::containers()
{
    std::vector<Container> list;
    if (!folders_.cookies.empty())
        list.push_back({std::string(kCookiePrefix), folders_.cookies, COOKIE_CACHE_ENTRY, 0});
    if (!folders_.history.empty()) {
        const std::string historyIe5 = folders_.history + "\\History.IE5";
        list.push_back({std::string(kVisitedPrefix), historyIe5, URLHISTORY_CACHE_ENTRY, 0});
        std::string host;
        bool exists = false;
        if (machine_.paths().toHost(historyIe5, host, &exists) == err::SUCCESS && exists) {
            std::vector<std::string> periods;
            for (const DosPaths::Name& n : machine_.paths().listing(host)) {
                std::string upper = upperAscii(n.longName);
                if (upper.size() == 24 && upper.starts_with(kPeriodPrefix)
                    && !periodPrefix(":" + upper.substr(8) + ":").empty())
                    periods.push_back(n.longName);
            }
            std::sort(periods.begin(), periods.end());
            for (const std::string& name : periods)
                list.push_back({":" + name.substr(8) + ":", historyIe5 + "\\" + name, URLHISTORY_CACHE_ENTRY, 0});
        }
    }
    if (!folders_.cache.empty())
        list.push_back({"", folders_.cache + "\\Content.IE5", NORMAL_CACHE_ENTRY, 4});
    return list;
}

std::string UrlCache::containerFolder(std::string_view prefix) const
{
    if (startsWithNoCase(prefix, kCookiePrefix))
        return folders_.cookies;
    if (startsWithNoCase(prefix, kVisitedPrefix))
        return folders_.history.empty() ? "" : folders_.history + "\\History.IE5";
    if (std::string period = periodPrefix(prefix); !period.empty())
        return folders_.history.empty() ? "" : folders_.history + "\\History.IE5\\MSHist01" + period.substr(1, 16);
    return folders_.cache.empty() ? "" : folders_.cache + "\\Content.IE5";
}

DWORD UrlCache::containerFor(std::string_view url, Container& out)
{
    const std::string period = periodPrefix(url);
    if (!period.empty())
        out = {period, containerFolder(period), URLHISTORY_CACHE_ENTRY, 0};
    else if (startsWithNoCase(url, kCookiePrefix))
        out = {std::string(kCookiePrefix), containerFolder(kCookiePrefix), COOKIE_CACHE_ENTRY, 0};
    else if (startsWithNoCase(url, kVisitedPrefix))
        out = {std::string(kVisitedPrefix), containerFolder(kVisitedPrefix), URLHISTORY_CACHE_ENTRY, 0};
    else
        out = {"", containerFolder(""), NORMAL_CACHE_ENTRY, 4};
    return out.winFolder.empty() ? err::PATH_NOT_FOUND : err::SUCCESS;
}

DWORD UrlCache::openIndex(const Container& c, IndexDatFile*& out, bool create)
{
    const std::string key = upperAscii(c.winFolder);
    if (auto known = byFolder_.find(key); known != byFolder_.end()) {
        DWORD e = known->second->refresh();
        if (e != err::FILE_NOT_FOUND && e != err::PATH_NOT_FOUND) {
            out = known->second;
            return e;
        }
        indexes_.erase(known->second->hostPath());
        byFolder_.erase(known);
    }
    std::string host;
    bool exists = false;
    DWORD e = machine_.paths().toHost(c.winFolder + "\\index.dat", host, &exists);
    if (e && e != err::PATH_NOT_FOUND)
        return e;
    if (!exists)
        return create ? ensureIndex(c, out) : err::FILE_NOT_FOUND;
    auto file = std::make_unique<IndexDatFile>();
    if (DWORD openError = file->open(host))
        return openError;
    out = file.get();
    byFolder_[key] = out;
    indexes_[host] = std::move(file);
    return err::SUCCESS;
}

DWORD UrlCache::ensureFolder(const std::string& winPath, std::string& hostPath)
{
    char drive = 0;
    std::vector<std::string> components;
    if (DWORD e = splitWindowsPath(winPath, drive, components))
        return e;
    std::string path = std::string(1, drive) + ":";
    for (const std::string& component : components) {
        path += "\\" + component;
        bool exists = false;
        if (DWORD e = machine_.paths().toHost(path, hostPath, &exists))
            return e;
        if (exists)
            continue;
        if (::mkdir(hostPath.c_str(), 0755) != 0 && errno != EEXIST)
            return errno == ENOSPC ? err::DISK_FULL : err::ACCESS_DENIED;
        const std::size_t slash = hostPath.rfind('/');
        machine_.paths().noteAdded(hostPath.substr(0, slash), hostPath.substr(slash + 1));
    }
    return machine_.paths().toHost(winPath, hostPath);
}

DWORD UrlCache::ensureIndex(const Container& c, IndexDatFile*& out)
{
    std::string folder;
    if (DWORD e = ensureFolder(c.winFolder, folder))
        return e;
    std::vector<std::string> names = newSubfolderNames(c.subfolders);
    for (const std::string& name : names) {
        std::string host;
        if (DWORD e = ensureFolder(c.winFolder + "\\" + name, host))
            return e;
    }
    DWORD e = IndexDatFile::create(folder + "/index.dat", IndexFile::createEmpty(names, kDefaultCacheLimit));
    if (e && e != err::FILE_EXISTS)
        return e;
    machine_.paths().noteAdded(folder, "index.dat");
    return openIndex(c, out, false);
}

DWORD UrlCache::fillEntry(const Container& c, const IndexFile& index, const UrlRecord& record,
                          INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize) const
{
    // A stored name that is not a plain file name ("..\\..\\x") would lead out
    // of the container: such an entry is listed without a local file.
    std::string local;
    const bool subfolderKnown = record.subfolder == indexdat::kNoSubfolder
        || (record.subfolder < index.subfolderCount() && plainName(index.subfolderName(record.subfolder)));
    if (record.hasLocalName && subfolderKnown && plainName(record.localName)) {
        local = c.winFolder + "\\";
        if (record.subfolder != indexdat::kNoSubfolder)
            local += index.subfolderName(record.subfolder) + "\\";
        local += record.localName;
    }
    std::size_t need = sizeof(INTERNET_CACHE_ENTRY_INFOA);
    const std::size_t urlAt = need;
    need += align4(record.url.size() + 1);
    const std::size_t localAt = need;
    if (!local.empty())
        need += align4(local.size() + 1);
    const std::size_t headerAt = need;
    need += align4(record.headerInfo.size() + 1);
    const std::size_t extAt = need;
    if (record.hasExtension)
        need += align4(record.fileExtension.size() + 1);
    if (need > 0xFFFFFFFFu)
        return err::FILE_CORRUPT;
    if (!entryInfo || entryInfoSize < need) {
        entryInfoSize = DWORD(need);
        return err::INSUFFICIENT_BUFFER;
    }
    char* base = reinterpret_cast<char*>(entryInfo);
    std::memset(base, 0, need);
    INTERNET_CACHE_ENTRY_INFOA& info = *entryInfo;
    info.dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
    info.CacheEntryType = record.entryType;
    info.dwUseCount = record.useCount;
    info.dwHitRate = record.hitRate;
    info.dwSizeLow = DWORD(record.size);
    info.dwSizeHigh = DWORD(record.size >> 32);
    info.LastModifiedTime = record.lastModified;
    info.ExpireTime = indexdat::dosToFileTime(record.expireDate, record.expireTime);
    info.LastAccessTime = record.lastAccess;
    info.LastSyncTime = indexdat::dosToFileTime(record.syncDate, record.syncTime);
    info.dwHeaderInfoSize = DWORD(record.headerInfo.size());
    info.dwExemptDelta = record.exemptDelta;
    info.lpszSourceUrlName = base + urlAt;
    std::memcpy(base + urlAt, record.url.data(), record.url.size());
    if (!local.empty()) {
        info.lpszLocalFileName = base + localAt;
        std::memcpy(base + localAt, local.data(), local.size());
    }
    info.lpHeaderInfo = reinterpret_cast<std::uint8_t*>(base + headerAt);
    if (!record.headerInfo.empty())
        std::memcpy(base + headerAt, record.headerInfo.data(), record.headerInfo.size());
    if (record.hasExtension) {
        info.lpszFileExtension = base + extAt;
        if (!record.fileExtension.empty())
            std::memcpy(base + extAt, record.fileExtension.data(), record.fileExtension.size());
    }
    entryInfoSize = DWORD(need);
    return err::SUCCESS;
}

DWORD UrlCache::nextEntry(FindState& state, INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize)
{
    while (state.container < state.containers.size()) {
        const Container& c = state.containers[state.container];
        IndexDatFile* file = nullptr;
        DWORD e = openIndex(c, file, false);
        if (e == err::FILE_NOT_FOUND || e == err::PATH_NOT_FOUND) {
            ++state.container;
            state.pos = {};
            continue;
        }
        if (e)
            return e;
        const IndexFile& index = file->index();
        UrlRecord record;
        e = index.seekUrl(state.pos, record);
        if (e == err::NO_MORE_ITEMS) {
            ++state.container;
            state.pos = {};
            continue;
        }
        if (e)
            return e;
        if (state.filter != 0xFFFFFFFF && !(record.entryType & state.filter)) {
            ++state.pos.slot;
            continue;
        }
        if (DWORD fillError = fillEntry(c, index, record, entryInfo, entryInfoSize))
            return fillError;
        ++state.pos.slot;
        return err::SUCCESS;
    }
    return err::NO_MORE_ITEMS;
}

DWORD UrlCache::findFirstUrlCacheEntryEx(const char* searchPattern, DWORD, DWORD filter, QWORD groupId,
                                         INTERNET_CACHE_ENTRY_INFOA* entryInfo, DWORD& entryInfoSize,
                                         UrlCacheFindHandle& handle)
{
    handle = 0;
    if (groupId != 0)
        return err::INVALID_PARAMETER;
    auto state = std::make_unique<FindState>();
    state->filter = filter;
    for (Container& c : containers())
        if (!searchPattern || upperAscii(c.prefix) == upperAscii(searchPattern))
            state->containers.push_back(std::move(c));
    if (DWORD e = nextEntry(*state, entryInfo, entryInfoSize))
        return e;
    handle = nextHandle_++;
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    finds_[handle] = std::move(state);
    return err::SUCCESS;
}

DWORD UrlCache::findNextUrlCacheEntryEx(UrlCacheFindHandle handle, INTERNET_CACHE_ENTRY_INFOA* entryInfo,
                                        DWORD& entryInfoSize)
{
    auto it = finds_.find(handle);
    if (it == finds_.end())
        return err::INVALID_HANDLE;
    return nextEntry(*it->second, entryInfo, entryInfoSize);
}

DWORD UrlCache::findCloseUrlCache(UrlCacheFindHandle handle)
{
    return finds_.erase(handle) ? err::SUCCESS : err::INVALID_HANDLE;
}

DWORD UrlCache::deleteUrlCacheEntry(std::string_view url)
{
    Container c;
    if (containerFor(url, c))
        return err::FILE_NOT_FOUND;
    IndexDatFile* file = nullptr;
    if (DWORD e = openIndex(c, file, false))
        return e == err::PATH_NOT_FOUND ? err::FILE_NOT_FOUND : e;
    return file->edit([&](IndexFile& index) { return index.remove(url); });
}

DWORD UrlCache::checkIndexWritable(std::string_view url, std::string& indexPath)
{
    Container c;
    if (DWORD e = containerFor(url, c))
        return e;
    indexPath = c.winFolder + "\\index.dat";
    IndexDatFile* file = nullptr;
    if (DWORD e = openIndex(c, file, false))
        return e;
    return file->checkWritable();
}

DWORD UrlCache::freeUrlCacheSpace(const char* cachePath, DWORD percent, DWORD filter)
{
    if (percent < 1 || percent > 100)
        return err::INVALID_PARAMETER;
    const Container content {"", containerFolder(""), NORMAL_CACHE_ENTRY, 4};
    if (content.winFolder.empty())
        return err::PATH_NOT_FOUND;
    if (cachePath) {
        std::string path = upperAscii(cachePath);
        while (!path.empty() && path.back() == '\\')
            path.pop_back();
        const std::string folder = upperAscii(content.winFolder);
        if (path.empty() || !folder.starts_with(path) || (folder.size() > path.size() && folder[path.size()] != '\\'))
            return err::PATH_NOT_FOUND;
    }
    IndexDatFile* file = nullptr;
    DWORD e = openIndex(content, file, false);
    if (e == err::FILE_NOT_FOUND || e == err::PATH_NOT_FOUND)
        return err::SUCCESS;
    if (e)
        return e;

    struct Candidate {
        std::string url;
        std::string localWinPath;
        QWORD size;
        QWORD lastAccess;
    };
    std::vector<Candidate> candidates;
    const IndexFile& index = file->index();
    IndexFile::WalkPos pos;
    UrlRecord record;
    while ((e = index.seekUrl(pos, record)) == err::SUCCESS) {
        ++pos.slot;
        bool locked = false;
        if ((record.entryType & STICKY_CACHE_ENTRY) || (record.entryType & filter)
            || index.find(record.url, record, &locked) || locked)
            continue;
        // Only plain stored names lead to a file in the container.
        std::string local;
        const std::string sub = record.subfolder == indexdat::kNoSubfolder ? "" : index.subfolderName(record.subfolder);
        if (record.hasLocalName && plainName(record.localName)
            && (record.subfolder == indexdat::kNoSubfolder || plainName(sub)))
            local = content.winFolder + "\\" + (sub.empty() ? "" : sub + "\\") + std::string(record.localName);
        candidates.push_back({std::string(record.url), local, record.size, record.lastAccess.value()});
    }
    if (e != err::NO_MORE_ITEMS)
        return e;
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.lastAccess < b.lastAccess; });
    const QWORD target = percent == 100 ? ~QWORD(0) : index.cacheUsage() / 100 * percent;

    std::vector<std::string> removed;
    QWORD freed = 0;
    for (const Candidate& c : candidates) {
        if (freed >= target)
            break;
        if (!c.localWinPath.empty()) {
            // A local file that is not there leaves only its entry to remove.
            std::string host;
            bool exists = false;
            struct stat st {};
            if (machine_.paths().toHost(c.localWinPath, host, &exists) == err::SUCCESS && exists
                && ::lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                if (::unlink(host.c_str()) != 0)
                    continue;
                const std::size_t slash = host.rfind('/');
                machine_.paths().noteRemoved(host.substr(0, slash), host.substr(slash + 1));
            }
        }
        removed.push_back(c.url);
        freed += c.size;
    }
    return file->edit([&](IndexFile& edited) {
        for (const std::string& url : removed)
            if (DWORD removeError = edited.remove(url); removeError && removeError != err::FILE_NOT_FOUND
                && removeError != err::ACCESS_DENIED)
                return removeError;
        return err::SUCCESS;
    });
}

DWORD UrlCache::createUrlCacheEntry(std::string_view url, std::string_view fileExtension, std::string& localFileName)
{
    Container c;
    if (DWORD e = containerFor(url, c))
        return e;
    IndexDatFile* file = nullptr;
    if (DWORD e = openIndex(c, file, true))
        return e;
    const IndexFile& index = file->index();
    std::string folder = c.winFolder;
    if (index.subfolderCount() > 0) {
        std::uint32_t best = 0;
        for (std::uint32_t i = 1; i < index.subfolderCount(); ++i)
            if (index.subfolderFileCount(i) < index.subfolderFileCount(best))
                best = i;
        if (!plainName(index.subfolderName(best)))
            return err::FILE_CORRUPT;
        folder += "\\" + index.subfolderName(best);
    }
    std::string hostFolder;
    if (DWORD e = ensureFolder(folder, hostFolder))
        return e;
    std::string extension(fileExtension);
    if (extension.empty() && startsWithNoCase(url, kCookiePrefix))
        extension = "txt";
    const std::string stem = fileStem(url);
    for (int n = 1; n < 1000; ++n) {
        std::string name = stem + "[" + std::to_string(n) + "]" + (extension.empty() ? "" : "." + extension);
        if (!machine_.paths().findName(hostFolder, name).empty())
            continue;
        const std::string path = hostFolder + "/" + name;
        const UniqueFd created(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!created) {
            if (errno == EEXIST)
                continue;
            return errno == ENOSPC ? err::DISK_FULL : err::ACCESS_DENIED;
        }
        machine_.paths().noteAdded(hostFolder, name);
        localFileName = folder + "\\" + name;
        return err::SUCCESS;
    }
    return err::FILE_EXISTS;
}

DWORD UrlCache::commitUrlCacheEntry(const UrlCacheCommit& entry)
{
    if (entry.url.empty())
        return err::INVALID_PARAMETER;
    Container c;
    if (DWORD e = containerFor(entry.url, c))
        return e;
    IndexDatFile* file = nullptr;
    if (DWORD e = openIndex(c, file, true))
        return e;

    NewUrlRecord record;
    record.url = entry.url;
    record.entryType = entry.entryType | c.defaultType;
    record.lastModified = entry.lastModified;
    record.expire = entry.expire;
    record.lastAccess = entry.lastAccess.value() ? entry.lastAccess : now();
    record.lastSync = entry.lastSync.value() ? entry.lastSync : record.lastAccess;
    record.headerInfo = entry.headerInfo;
    record.fileExtension = entry.fileExtension;
    record.hitRate = entry.hitRate;
    record.useCount = entry.useCount;
    record.exemptDelta = entry.exemptDelta;
    record.locked = entry.locked;
    if (!entry.localFileName.empty()) {
        const std::string folder = upperAscii(c.winFolder) + "\\";
        if (!upperAscii(entry.localFileName).starts_with(folder))
            return err::INVALID_PARAMETER;
        std::string rest = entry.localFileName.substr(folder.size());
        const IndexFile& index = file->index();
        if (index.subfolderCount() > 0) {
            const std::size_t slash = rest.find('\\');
            if (slash == std::string::npos)
                return err::INVALID_PARAMETER;
            const std::string sub = upperAscii(rest.substr(0, slash));
            for (std::uint32_t i = 0; i < index.subfolderCount(); ++i)
                if (upperAscii(index.subfolderName(i)) == sub)
                    record.subfolder = std::uint8_t(i);
            if (record.subfolder == indexdat::kNoSubfolder)
                return err::INVALID_PARAMETER;
            rest = rest.substr(slash + 1);
        }
        if (!plainName(rest))
            return err::INVALID_PARAMETER;
        std::string host;
        bool exists = false;
        struct stat st {};
        if (machine_.paths().toHost(entry.localFileName, host, &exists) != err::SUCCESS || !exists
            || ::lstat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return err::FILE_NOT_FOUND;
        record.localName = host.substr(host.rfind('/') + 1);
        record.size = QWORD(st.st_size);
        record.fileWrite = fileTimeFromUnix(st.st_mtim.tv_sec, std::uint32_t(st.st_mtim.tv_nsec));
    }
    if ((record.entryType & STICKY_CACHE_ENTRY) && record.exemptDelta == 0)
        record.exemptDelta = 86400;
    return file->edit([&](IndexFile& index) { return index.add(record); });
}

DWORD UrlCache::setCookie(std::string_view user, std::string_view hostPath, const std::vector<CookieRecord>& cookies,
                          FileTime lastAccess)
{
    const std::string url = std::string(kCookiePrefix) + std::string(user) + "@" + std::string(hostPath);
    Container c;
    if (DWORD e = containerFor(url, c))
        return e;
    IndexDatFile* file = nullptr;
    if (DWORD e = openIndex(c, file, true))
        return e;
    std::string local;
    UrlRecord existing;
    if (file->index().find(url, existing) == err::SUCCESS && existing.hasLocalName && plainName(existing.localName)
        && existing.subfolder == indexdat::kNoSubfolder)
        local = c.winFolder + "\\" + std::string(existing.localName);
    else if (DWORD e = createUrlCacheEntry(url, "txt", local))
        return e;

    std::string host;
    bool exists = false;
    if (DWORD e = machine_.paths().toHost(local, host, &exists))
        return e;
    const std::string temp = host + ".kp-new";
    const std::string text = formatCookieFile(cookies);
    UniqueFd cookieFile(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!cookieFile)
        return err::ACCESS_DENIED;
    bool written = writeAll(cookieFile.get(), text) == 0;
    if (written && lastAccess.value()) {
        const std::int64_t seconds = unixFromFileTime(lastAccess);
        const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
        ::futimens(cookieFile.get(), times);
    }
    written = written && ::fsync(cookieFile.get()) == 0;
    cookieFile.reset();
    if (!written || ::rename(temp.c_str(), host.c_str()) != 0) {
        ::unlink(temp.c_str());
        return err::WRITE_FAULT;
    }
    const std::size_t slash = host.rfind('/');
    machine_.paths().noteAdded(host.substr(0, slash), host.substr(slash + 1));

    UrlCacheCommit commit;
    commit.url = url;
    commit.localFileName = local;
    commit.entryType = COOKIE_CACHE_ENTRY;
    commit.lastAccess = lastAccess.value() ? lastAccess : now();
    commit.lastModified = commit.lastAccess;
    for (const CookieRecord& cookie : cookies)
        commit.expire = std::max(commit.expire, cookie.expires,
                                 [](FileTime a, FileTime b) { return a.value() < b.value(); });
    return commitUrlCacheEntry(commit);
}

DWORD UrlCache::clearHistory()
{
    if (wineSessionActive())
        return err::SHARING_VIOLATION;
    for (const Container& c : containers()) {
        if (c.prefix != kVisitedPrefix && periodPrefix(c.prefix).empty())
            continue;
        IndexDatFile* file = nullptr;
        DWORD e = openIndex(c, file, false);
        if (e == err::FILE_NOT_FOUND || e == err::PATH_NOT_FOUND)
            continue;
        if (e)
            return e;
        e = file->edit([](IndexFile& index) {
            std::vector<std::string> urls;
            IndexFile::WalkPos pos;
            UrlRecord record;
            DWORD walkError;
            while ((walkError = index.seekUrl(pos, record)) == err::SUCCESS) {
                urls.emplace_back(record.url);
                ++pos.slot;
            }
            if (walkError != err::NO_MORE_ITEMS)
                return walkError;
            for (const std::string& url : urls)
                if (DWORD removeError = index.remove(url); removeError && removeError != err::ACCESS_DENIED)
                    return removeError;
            return DWORD(err::SUCCESS);
        });
        if (e)
            return e;
    }
    return err::SUCCESS;
}

} // namespace kp::win
