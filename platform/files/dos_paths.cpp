#include "platform/files/dos_paths.h"

#include "platform/files/win_path.h"
#include "platform/files/wine_short_names.h"
#include "platform/host/host_io.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace kp::win {

namespace {

// The longest change report: a name of NAME_MAX bytes, its end and padding.
constexpr std::size_t kLongestReport = 2 * sizeof(inotify_event) + NAME_MAX + 1;

// How long after a folder's change another change may leave its time stamp
// as it is: the kernel's coarse clock tick with margin, or two seconds on file
// systems that keep whole seconds (FAT keeps two-second steps).
std::int64_t racyWindowNs(std::int64_t mtimeNsec)
{
    return mtimeNsec == 0 ? 2'100'000'000 : 20'000'000;
}

std::string readLink(const std::string& path)
{
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
}

std::string realPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// File systems whose change reports leave out changes made on other
// machines or by the file system's own server.
bool reportsOnlyLocalChanges(const std::string& hostDir)
{
    struct statfs fs {};
    if (::statfs(hostDir.c_str(), &fs) != 0)
        return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE
    case 0x01021997: // 9P
    case 0x00C36400: // Ceph
    case 0x5346414F: // AFS
        return true;
    default:
        return false;
    }
}

constexpr std::uint32_t kWatchedChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF
    | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

std::int64_t nowNs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

DosPaths::DosPaths(std::string prefixDir, Coherence coherence)
    : prefixDir_(std::move(prefixDir))
    , dosDevices_(prefixDir_ + "/dosdevices")
    , coherence_(coherence)
{
}

std::string DosPaths::driveRoot(char letter)
{
    applyChangeReports();
    return knownDriveRoot(letter);
}

std::string DosPaths::knownDriveRoot(char letter)
{
    letter = char(std::tolower((unsigned char)letter));
    // While dosdevices is watched, a drive's link is as it was last read.
    if (const std::uint64_t watchedAt = dosDevicesWatchedAt(); watchedAt != drivesCheckedAt_) {
        drives_.clear();
        drivesCheckedAt_ = watchedAt;
    } else if (watchedAt != 0) {
        if (auto known = drives_.find(letter); known != drives_.end())
            return known->second.root;
    }
    std::string link = dosDevices_ + "/" + letter + ":";
    std::string text = readLink(link);
    if (text.empty()) {
        drives_.erase(letter);
        return {};
    }
    auto it = drives_.find(letter);
    if (it != drives_.end() && it->second.linkText == text)
        return it->second.root;
    std::string root = realPath(link);
    if (root.empty())
        return {};
    drives_[letter] = Drive {text, root};
    return root;
}

std::uint64_t DosPaths::dosDevicesWatchedAt()
{
    if (coherence_ != Coherence::Watch)
        return 0;
    auto known = folders_.find(dosDevices_);
    const Folder* f = known != folders_.end() && known->second.mtimeSec >= 0 ? &known->second : folder(dosDevices_, false);
    return f && f->watch >= 0 ? f->watchedAt : 0;
}

std::vector<char> DosPaths::driveLetters()
{
    std::vector<char> letters;
    for (char c = 'a'; c <= 'z'; ++c)
        if (!driveRoot(c).empty())
            letters.push_back(char(std::toupper((unsigned char)c)));
    return letters;
}

void DosPaths::recordTimeStamp(const std::string& hostDir, Folder& f)
{
    struct stat st {};
    if (::stat(hostDir.c_str(), &st) != 0)
        return;
    f.mtimeSec = st.st_mtim.tv_sec;
    f.mtimeNsec = st.st_mtim.tv_nsec;
    f.inode = st.st_ino;
    // A change by others within the time stamp's granularity of this one may
    // leave it unchanged: until that window has passed, the cache is checked.
    f.racy = f.watch < 0 && nowNs() - (f.mtimeSec * 1'000'000'000 + f.mtimeNsec) < racyWindowNs(f.mtimeNsec);
}

void DosPaths::watch(const std::string& hostDir, Folder& f)
{
    if (coherence_ != Coherence::Watch || f.watch >= 0 || reportsOnlyLocalChanges(hostDir))
        return;
    if (!changeReports_) {
        changeReports_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (!changeReports_) {
            coherence_ = Coherence::TimeStamps;
            return;
        }
    }
    const int wd = ::inotify_add_watch(changeReports_.get(), hostDir.c_str(), kWatchedChanges);
    if (wd < 0)
        return;
    // A folder reached by a second path shares the first path's watch; the
    // second path goes by time stamps.
    if (auto [it, added] = watched_.emplace(wd, hostDir); added || it->second == hostDir) {
        f.watch = wd;
        f.watchedAt = ++watchesSet_;
    }
}

void DosPaths::applyChangeReports()
{
    if (!changeReports_)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = retryInterrupted([&] { return ::read(changeReports_.get(), buffer, sizeof buffer); });
        if (n <= 0)
            return; // EAGAIN: nothing queued
        // A read that left room for the longest report took every report queued.
        const bool drained = std::size_t(n) + kLongestReport <= sizeof buffer;
        for (ssize_t at = 0; at < n;) {
            const auto* report = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + report->len);
            if (report->mask & IN_Q_OVERFLOW) {
                for (auto& entry : folders_)
                    entry.second.mtimeSec = -1; // reports were lost: read every folder again
                drivesCheckedAt_ = 0;
                continue;
            }
            auto w = watched_.find(report->wd);
            if (w == watched_.end())
                continue;
            auto f = folders_.find(w->second);
            if (f == folders_.end() || f->second.watch != report->wd)
                continue;
            const std::string dir = w->second;
            if (dir == dosDevices_)
                drivesCheckedAt_ = 0; // a drive link changed: read them again
            if (report->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                forget(dir);
                continue;
            }
            const std::string name = report->len ? std::string(report->name) : std::string();
            if (name.empty())
                continue;
            // A subfolder moved, removed or replaced: what was cached under its path is not there.
            if ((report->mask & IN_ISDIR) && (report->mask & (IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)))
                forget(dir == "/" ? "/" + name : dir + "/" + name);
            if (report->mask & (IN_CREATE | IN_MOVED_TO))
                applyAdded(f->second, name);
            else if (report->mask & (IN_DELETE | IN_MOVED_FROM))
                applyRemoved(f->second, name);
        }
        if (drained)
            return;
    }
}

void DosPaths::scan(const std::string& hostDir, Folder& f)
{
    ++scanCount_;
    // Watched before it is read: a change in between is reported, and
    // applying it again to the listing changes nothing.
    watch(hostDir, f);
    f.names.clear();
    recordTimeStamp(hostDir, f);
    f.racyFromOwnChange = false;
    if (DIR* dir = ::opendir(hostDir.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            f.names.push_back(Name {std::string(name), wineShortName(name)});
        }
        ::closedir(dir);
    }
    indexNames(f);
    f.clashOrderKnown = true;
}

// Short names are Wine's, computed from the long name alone, so that Wine
// and this program find the same file by them. Wine's three hash characters
// can coincide for names of the same first four characters: Wine then finds
// the first such name in the order the host lists the folder, and so do we.
// A long name always wins over another entry's short name, as in Wine.
void DosPaths::indexNames(Folder& f)
{
    f.byUpperName.clear();
    f.byUpperShort.clear();
    f.exactNames.clear();
    f.clashingShorts.clear();
    for (std::size_t i = 0; i < f.names.size(); ++i) {
        const Name& n = f.names[i];
        if (!f.byUpperName.emplace(upperAscii(n.longName), i).second)
            f.exactNames.insert(n.longName);
        if (n.shortName != n.longName && !f.byUpperShort.emplace(n.shortName, i).second)
            f.clashingShorts[n.shortName];
    }
    for (std::size_t i = 0; i < f.names.size(); ++i) {
        if (auto clash = f.clashingShorts.find(f.names[i].shortName); clash != f.clashingShorts.end())
            clash->second.push_back(i);
    }
}

std::size_t DosPaths::Folder::find(const std::string& upperName) const
{
    if (auto it = byUpperName.find(upperName); it != byUpperName.end())
        return it->second;
    if (auto it = byUpperShort.find(upperName); it != byUpperShort.end())
        return it->second;
    return std::string::npos;
}

DosPaths::Folder* DosPaths::folder(const std::string& hostDir, bool forceScan, std::uint64_t parentWatchedAt)
{
    // A folder watched since after its parent, found in that parent checked
    // in the same walk, is the folder cached: its move or deletion, or its
    // parent's, would have been reported.
    if (parentWatchedAt && !forceScan) {
        auto known = folders_.find(hostDir);
        if (known != folders_.end() && known->second.watch >= 0 && known->second.mtimeSec >= 0
            && known->second.watchedAt > parentWatchedAt)
            return &known->second;
    }
    struct stat st {};
    if (::stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        forget(hostDir);
        return nullptr;
    }
    if (auto known = folders_.find(hostDir); known != folders_.end() && known->second.watch >= 0) {
        Folder& f = known->second;
        // Reports keep the listing current; the path may have come to name another folder.
        if (f.inode != st.st_ino) {
            forget(hostDir);
            Folder& replaced = folders_[hostDir];
            scan(hostDir, replaced);
            return &replaced;
        }
        if (f.mtimeSec < 0 || forceScan)
            scan(hostDir, f);
        return &f;
    }
    Folder& f = folders_[hostDir];
    bool same = f.mtimeSec == st.st_mtim.tv_sec && f.mtimeNsec == st.st_mtim.tv_nsec && f.inode == st.st_ino;
    // A racy listing is confirmed by one scan once its window has passed.
    bool settled = f.racy && nowNs() - (f.mtimeSec * 1'000'000'000 + f.mtimeNsec) >= racyWindowNs(f.mtimeNsec);
    if (!same || forceScan || settled)
        scan(hostDir, f);
    return &f;
}

const std::vector<DosPaths::Name>& DosPaths::listing(const std::string& hostDir)
{
    applyChangeReports();
    Folder* f = folder(hostDir, false);
    if (f && (f->racy || !f->clashOrderKnown))
        f = folder(hostDir, true);
    return f ? f->names : emptyListing_;
}

std::string DosPaths::findName(const std::string& hostDir, std::string_view name)
{
    applyChangeReports();
    return lookUp(hostDir, name);
}

std::string DosPaths::lookUp(const std::string& hostDir, std::string_view name, std::uint64_t parentWatchedAt,
                             std::uint64_t* watchedAt)
{
    Folder* f = folder(hostDir, false, parentWatchedAt);
    if (watchedAt)
        *watchedAt = f && f->watch >= 0 ? f->watchedAt : 0;
    if (!f)
        return {};
    const std::string upper = upperAscii(name);
    std::size_t index = f->find(upper);
    // A shared short name goes to the first holder the host lists: where a
    // noted addition is listed is known only from reading the folder.
    const bool clashOrderUnknown = !f->clashOrderKnown && f->clashingShorts.count(upper);
    if ((index == std::string::npos && f->racy && !f->racyFromOwnChange) || clashOrderUnknown) {
        f = folder(hostDir, true);
        index = f->find(upper);
    }
    if (index == std::string::npos)
        return {};
    std::string real = f->names[index].longName;
    if (f->racy) {
        struct stat st {};
        if (::lstat((hostDir + "/" + real).c_str(), &st) != 0) {
            f = folder(hostDir, true);
            index = f->find(upper);
            if (index == std::string::npos)
                return {};
            real = f->names[index].longName;
        }
    }
    // Of names that differ only in case, the one given exactly wins.
    if (real != name && f->exactNames.count(std::string(name)))
        return std::string(name);
    return real;
}

std::string DosPaths::shortNameOf(const std::string& hostDir, std::string_view longName)
{
    std::string real = findName(hostDir, longName);
    if (real.empty())
        return {};
    Folder& f = folders_[hostDir];
    if (auto k = f.byUpperName.find(upperAscii(real)); k != f.byUpperName.end() && f.names[k->second].longName == real)
        return f.names[k->second].shortName;
    for (const Name& n : f.names)
        if (n.longName == real)
            return n.shortName;
    return {};
}

void DosPaths::noteAdded(const std::string& hostDir, const std::string& name)
{
    noteOwnChange(hostDir, name, true);
}

void DosPaths::noteRemoved(const std::string& hostDir, const std::string& name)
{
    noteOwnChange(hostDir, name, false);
}

void DosPaths::noteOwnChange(const std::string& hostDir, const std::string& name, bool added)
{
    auto it = folders_.find(hostDir);
    if (it == folders_.end() || it->second.watch >= 0)
        return; // unknown, or kept current by the kernel's reports
    if (added)
        applyAdded(it->second, name);
    else
        applyRemoved(it->second, name);
    recordTimeStamp(hostDir, it->second);
    it->second.racyFromOwnChange = true;
}

void DosPaths::applyAdded(Folder& f, const std::string& name)
{
    if (!addName(f, name)) {
        if (std::any_of(f.names.begin(), f.names.end(), [&](const Name& n) { return n.longName == name; }))
            return;
        f.names.push_back(Name {name, wineShortName(name)});
        indexNames(f);
    }
    // Where the host lists the new name is unknown until the folder is read.
    if (f.names.back().longName == name && f.clashingShorts.count(f.names.back().shortName))
        f.clashOrderKnown = false;
}

bool DosPaths::addName(Folder& f, const std::string& name)
{
    const std::string upper = upperAscii(name);
    if (auto known = f.byUpperName.find(upper); known != f.byUpperName.end())
        return f.names[known->second].longName == name; // listed already; else a case variant
    const std::size_t index = f.names.size();
    f.names.push_back(Name {name, wineShortName(name)});
    f.byUpperName.emplace(upper, index);
    const std::string& shortName = f.names.back().shortName;
    if (shortName != name) {
        auto [first, added] = f.byUpperShort.emplace(shortName, index);
        if (!added) {
            std::vector<std::size_t>& holders = f.clashingShorts[shortName];
            if (holders.empty())
                holders.push_back(first->second);
            holders.push_back(index);
        }
    }
    return true;
}

bool DosPaths::removeName(Folder& f, const std::string& name)
{
    if (!f.exactNames.empty())
        return false; // names differing only in case: rebuild
    auto known = f.byUpperName.find(upperAscii(name));
    if (known == f.byUpperName.end() || f.names[known->second].longName != name)
        return false;
    const std::size_t index = known->second;
    const std::size_t last = f.names.size() - 1;
    f.byUpperName.erase(known);
    dropShortName(f, index);
    // The last name moves into the gap; a shared short name keeps the
    // listing's order in its holders.
    if (index != last) {
        f.byUpperName[upperAscii(f.names[last].longName)] = index;
        const std::string& shortName = f.names[last].shortName;
        if (auto clash = f.clashingShorts.find(shortName); clash != f.clashingShorts.end())
            std::replace(clash->second.begin(), clash->second.end(), last, index);
        if (auto k = f.byUpperShort.find(shortName); k != f.byUpperShort.end() && k->second == last)
            k->second = index;
        f.names[index] = std::move(f.names[last]);
    }
    f.names.pop_back();
    return true;
}

void DosPaths::dropShortName(Folder& f, std::size_t index)
{
    const Name& n = f.names[index];
    if (n.shortName == n.longName)
        return;
    auto clash = f.clashingShorts.find(n.shortName);
    if (clash == f.clashingShorts.end()) {
        if (auto k = f.byUpperShort.find(n.shortName); k != f.byUpperShort.end() && k->second == index)
            f.byUpperShort.erase(k);
        return;
    }
    std::vector<std::size_t>& holders = clash->second;
    holders.erase(std::find(holders.begin(), holders.end(), index));
    f.byUpperShort[n.shortName] = holders.front();
    if (holders.size() == 1)
        f.clashingShorts.erase(clash);
}

void DosPaths::applyRemoved(Folder& f, const std::string& name)
{
    if (removeName(f, name))
        return;
    auto found = std::find_if(f.names.begin(), f.names.end(), [&](const Name& n) { return n.longName == name; });
    if (found != f.names.end()) {
        f.names.erase(found);
        indexNames(f);
    }
}

void DosPaths::forget(const std::string& hostDir)
{
    const std::string below = hostDir == "/" ? hostDir : hostDir + "/";
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (it->first != hostDir && !it->first.starts_with(below)) {
            ++it;
            continue;
        }
        if (it->second.watch >= 0) {
            watched_.erase(it->second.watch);
            ::inotify_rm_watch(changeReports_.get(), it->second.watch);
        }
        it = folders_.erase(it);
    }
}

DWORD DosPaths::toHost(std::string_view winPath, std::string& hostPath, bool* exists)
{
    char drive = 0;
    std::vector<std::string> components;
    if (DWORD e = splitWindowsPath(winPath, drive, components))
        return e;
    applyChangeReports();
    std::string root = knownDriveRoot(drive);
    if (root.empty())
        return err::INVALID_DRIVE;
    hostPath = root == "/" ? std::string() : root;
    bool missing = false;
    std::uint64_t parentWatchedAt = 0; // the folder before, checked in this walk: since when it is watched
    DWORD result = err::SUCCESS;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& part = components[i];
        const std::string parent = hostPath.empty() ? "/" : hostPath;
        std::string real = missing ? std::string() : lookUp(parent, part, parentWatchedAt, &parentWatchedAt);
        if (real.empty()) {
            struct stat st {};
            bool parentIsFolder = missing || (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            if (i + 1 < components.size() || !parentIsFolder)
                result = err::PATH_NOT_FOUND;
            missing = true;
        }
        hostPath += '/';
        hostPath += real.empty() ? part : real;
    }
    if (hostPath.empty())
        hostPath = "/";
    if (exists)
        *exists = !missing;
    return result;
}

DWORD DosPaths::toWindows(std::string_view hostPath, std::string& winPath)
{
    if (hostPath.empty() || hostPath[0] != '/')
        return err::INVALID_NAME;
    // Canonicalise the longest existing part; the rest is normalised as text.
    std::string path(hostPath);
    std::string real = realPath(path);
    std::vector<std::string> tail;
    while (real.empty()) {
        std::size_t slash = path.rfind('/');
        tail.insert(tail.begin(), path.substr(slash + 1));
        path = slash == 0 ? "/" : path.substr(0, slash);
        real = realPath(path);
        if (real.empty() && path == "/")
            return err::PATH_NOT_FOUND;
    }
    std::vector<std::string> parts;
    for (std::size_t pos = 1; pos <= real.size(); ) {
        std::size_t end = real.find('/', pos);
        if (end == std::string::npos)
            end = real.size();
        if (end > pos)
            parts.push_back(real.substr(pos, end - pos));
        pos = end + 1;
    }
    for (std::string& part : tail) {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
    }
    std::string full;
    for (const std::string& part : parts)
        full += "/" + part;
    if (full.empty())
        full = "/";

    char best = 0;
    std::size_t bestLength = 0;
    for (char letter : driveLetters()) {
        std::string root = driveRoot(letter);
        bool inside = root == "/" || full == root || full.compare(0, root.size() + 1, root + "/") == 0;
        if (inside && (best == 0 || root.size() > bestLength)) {
            best = letter;
            bestLength = root.size();
        }
    }
    if (best == 0)
        return err::PATH_NOT_FOUND;
    std::string rest = bestLength == 1 ? full : full.substr(bestLength);
    std::replace(rest.begin(), rest.end(), '/', '\\');
    winPath = std::string(1, best) + ":" + (rest.empty() ? "\\" : rest);
    return err::SUCCESS;
}

} // namespace kp::win
