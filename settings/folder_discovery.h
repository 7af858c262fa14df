#pragma once
// Finds the browser's and the system's folders once at start-up: the cache,
// cookies, history and recent folders from six sources each, the typed-URLs
// key, the five temp candidates and which are safe to empty, the UserData
// store, the plugins folder and the plugin selection. Also the shell-folder,
// disk-space, expansion and long-name services used elsewhere.

#include <cstdint>
#include <string>

namespace kp {

namespace win {
class Machine;
}
class Keywords;
struct FolderSet;
struct GeneralSettings;
struct TempCandidate;

// The browser's version as folder discovery needs it.
struct BrowserLevel {
    bool ie5 = false;
    bool ie6 = false;
};

// Fills `folders` (its exec and data folders already set); true when the
// cache, cookies, history and recent folders were all found.
bool FindFolders(win::Machine& machine, const Keywords& keywords, BrowserLevel browser,
                 const GeneralSettings& general, FolderSet& folders);

// Rebuilds the display and purge temp lists from the candidates and the
// TmpDir/WinDir/DosDir/VolDir choices.
void BuildTempLists(const GeneralSettings& general, FolderSet& folders);

// Evaluates one temp candidate: its long, upper-cased path, error code,
// message and drive.
void CheckTempFolder(win::Machine& machine, const Keywords& keywords, const FolderSet& folders,
                     TempCandidate& candidate);

// SHGetFolderPath: false with "Failed - Path not Found" when it fails.
bool GetShellFolder(win::Machine& machine, int csidl, std::string& path);

struct DiskSpaceFigures {
    std::uint64_t totalSize = 0; // in 512-byte units
    std::uint64_t freeSize = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
};
// Both sizes 4194303 and false when the drive cannot be asked.
bool GetDiskSpace(win::Machine& machine, char driveLetter, DiskSpaceFigures& out);

// Environment expansion; "" when the result would exceed 1024 characters.
std::string ExpandPath(win::Machine& machine, const std::string& text);

// Each component replaced by its name as stored on disk, from the drive
// down; components from the first missing one on stay as given.
std::string LongPath(win::Machine& machine, const std::string& path);

} // namespace kp
