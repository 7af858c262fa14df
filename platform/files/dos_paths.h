#pragma once
// Windows paths over a Wine prefix: drive letters are the links in
// `dosdevices/`, and each path component is looked up case-insensitively (or
// by its 8.3 short name, Wine's), as Wine does. What is learned of a folder is kept,
// so resolving every file of a large folder costs one scan of it. The kernel
// reports every later change to a folder read once (inotify), ours and other
// programs' alike; where it cannot (network and FUSE file systems, no watches
// left), the folder's time stamp tells when to read it again.

#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kp::win {

class DosPaths {
public:
    struct Name {
        std::string longName;
        std::string shortName; // Wine's; equal to longName when that is a valid 8.3 name
    };

    enum class Coherence {
        Watch,      // kernel change reports where the file system allows them
        TimeStamps, // folder time stamps only
    };

    explicit DosPaths(std::string prefixDir, Coherence coherence = Coherence::Watch);
    DosPaths(const DosPaths&) = delete;
    DosPaths& operator=(const DosPaths&) = delete;

    // Maps an absolute Windows path to a host path. Existing components are
    // matched case-insensitively or by short name; from the first missing one
    // the components are appended as given. INVALID_DRIVE when the drive has
    // no link; PATH_NOT_FOUND when a folder before the last component is
    // missing or not a folder (the host path is still filled in). `exists` tells whether the
    // whole path exists. A component that is a symbolic link is kept as a
    // component: the host path names the link, and folders behind it are
    // searched only when the caller resolves through it.
    [[nodiscard]] DWORD toHost(std::string_view winPath, std::string& hostPath, bool* exists = nullptr);

    // Maps a host path back to a Windows path through the drive whose target
    // holds it most closely (Z: for "/").
    [[nodiscard]] DWORD toWindows(std::string_view hostPath, std::string& winPath);

    // The host folder a drive letter leads to ("" when there is none).
    std::string driveRoot(char letter);
    std::vector<char> driveLetters();

    // The names in a host folder with their short names, in the order the
    // host lists them. Empty when the folder cannot be read.
    const std::vector<Name>& listing(const std::string& hostDir);

    // The short name of `longName` in `hostDir` (the name itself when it is a
    // valid 8.3 name; "" when the folder has no such entry).
    std::string shortNameOf(const std::string& hostDir, std::string_view longName);

    // The real name in `hostDir` that `name` (long or short, any case)
    // stands for; "" when there is none.
    std::string findName(const std::string& hostDir, std::string_view name);

    // Callers that add or remove a name in a folder say so, so that a
    // folder known only by its time stamp stays current without a rescan.
    void noteAdded(const std::string& hostDir, const std::string& name);
    void noteRemoved(const std::string& hostDir, const std::string& name);
    // Drops what is known of a folder and of every folder below it.
    void forget(const std::string& hostDir);

    const std::string& prefixDir() const { return prefixDir_; }

    // How many times a folder has been read from the host (for tests and
    // benchmarks of the cache).
    std::uint64_t scanCount() const { return scanCount_; }

private:
    struct Folder {
        int watch = -1; // inotify watch reporting the folder's changes; -1: time stamps only
        std::uint64_t watchedAt = 0; // order in which the watches were set
        std::int64_t mtimeSec = -1;
        std::int64_t mtimeNsec = 0;
        std::uint64_t inode = 0;
        bool racy = true; // scanned so soon after a change that a later change may keep the time stamp
        // The racy window was opened by a change we noted ourselves. A miss
        // then costs no rescan (a folder we are filling would be read again
        // for every new name); the listing is confirmed by one scan once the
        // window has passed.
        bool racyFromOwnChange = false;
        std::vector<Name> names; // in the order the host lists them, noted additions last
        std::unordered_map<std::string, std::size_t> byUpperName; // long names
        std::unordered_map<std::string, std::size_t> byUpperShort; // short names: their first holder
        std::unordered_set<std::string> exactNames; // names shadowed by another in a different case
        // Short names held by more than one name: their holders in the
        // order the host lists them, noted additions last.
        std::unordered_map<std::string, std::vector<std::size_t>> clashingShorts;
        bool clashOrderKnown = true; // false once a noted addition shares a short name

        // The entry `upperName` stands for, as a long name first (npos: none).
        std::size_t find(const std::string& upperName) const;
    };

    // `parentWatchedAt`: the folder was found in its parent, checked in the
    // same walk and watched since then (0: not so).
    Folder* folder(const std::string& hostDir, bool forceScan, std::uint64_t parentWatchedAt = 0);
    std::string lookUp(const std::string& hostDir, std::string_view name, std::uint64_t parentWatchedAt = 0,
                       std::uint64_t* watchedAt = nullptr);
    void scan(const std::string& hostDir, Folder& f);
    void indexNames(Folder& f);
    // Forgets the short name of entry `index` and passes it to the next
    // holder in the listing's order, if any.
    void dropShortName(Folder& f, std::size_t index);
    // Incremental updates for noted changes; false when the folder needs
    // indexing anew (case variants, a shared short name's order).
    bool addName(Folder& f, const std::string& name);
    bool removeName(Folder& f, const std::string& name);
    void noteOwnChange(const std::string& hostDir, const std::string& name, bool added);
    void applyAdded(Folder& f, const std::string& name);
    void applyRemoved(Folder& f, const std::string& name);
    void recordTimeStamp(const std::string& hostDir, Folder& f);
    // Kernel change reports: a watch is set before a folder is read, and
    // every report queued since is applied before the cache is consulted.
    void watch(const std::string& hostDir, Folder& f);
    void applyChangeReports();
    std::string knownDriveRoot(char letter); // driveRoot with the reports applied
    // Since when the dosdevices folder is watched (0: it is not).
    std::uint64_t dosDevicesWatchedAt();

    struct Drive {
        std::string linkText;
        std::string root;
    };

    std::string prefixDir_;
    std::string dosDevices_;
    Coherence coherence_;
    UniqueFd changeReports_; // inotify descriptor, opened with the first watch
    std::uint64_t watchesSet_ = 0;
    std::unordered_map<int, std::string> watched_; // watch -> host folder
    std::unordered_map<std::string, Folder> folders_;
    std::unordered_map<char, Drive> drives_;
    std::uint64_t drivesCheckedAt_ = 0; // dosdevices' watch the drives were read under
    std::vector<Name> emptyListing_;
    std::uint64_t scanCount_ = 0;
};

} // namespace kp::win
