#pragma once
// The program's and the browser's folders. Paths are Windows paths without a
// trailing backslash.

#include <array>
#include <string>
#include <vector>

namespace kp {

// A candidate temp folder and the verdict of its checks.
struct TempCandidate {
    enum Error { Usable = 0, NotFound = 1, NameNotTemp = 2, HoldsBrowserFolders = 3 };
    std::string path;
    int error = NotFound;
    std::string message;
    char drive = ' ';
};

struct TempEntry {
    std::string path;
    std::string label;
    bool operator==(const TempEntry&) const = default;
};

struct FolderSet {
    enum TempIndex { SystemTemp, WindowsTemp, OldTemp, BootDiskTemp, FallbackTemp };

    std::string execFolder; // upper-cased

    std::string dataFolder;
    std::string dataFolderDrive; // "C:\"
    int dataFolderDriveType = 0;
    std::string previousDataFolder;
    std::string previousDataFolderDrive;
    int previousDataFolderDriveType = 0;
    bool dataFolderReadOnly = false;
    bool dataFolderFromEnv = false; // named by %klenzordat%
    std::string modePrefix; // "Auto", "Boot", "Shut" or ""
    bool trace = false;

    // The browser's folders, upper-cased: the cache content folder
    // (Content.IE5), the cookies folder, the history folder (History.IE5).
    std::string cacheFolder;
    bool cacheFound = false;
    char cacheDrive = ' ';
    std::string cookiesFolder;
    bool cookiesFound = false;
    char cookiesDrive = ' ';
    std::string historyFolder;
    bool historyFound = false;
    std::string recentFolder;
    bool recentFound = false;

    bool typedUrlsFound = false;
    std::string typedUrlsText;

    std::array<TempCandidate, 5> temp;
    std::vector<TempEntry> displayTemp; // at most 4
    std::vector<TempEntry> purgeTemp;   // at most 4

    std::string userDataFolder = "... Not Found ...";
    bool userDataFound = false;
    char userDataDrive = ' ';

    std::string pluginsFolder;
    std::string pluginListFile;
    std::vector<std::string> pluginSelection; // sorted, letter case aside

    // Folder + "\" for prefix tests; empty when the folder was not found.
    std::string cachePrefix() const { return cacheFound ? cacheFolder + "\\" : std::string(); }
    std::string cookiesPrefix() const { return cookiesFound ? cookiesFolder + "\\" : std::string(); }

    std::string settingsPath() const { return dataFolder + "\\KlenPro.Ini"; }
};

} // namespace kp
