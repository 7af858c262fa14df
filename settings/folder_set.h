#pragma once
// The program's and the browser's folders. Paths are Windows paths without a
// trailing backslash.

#include <string>

namespace kp {

struct FolderSet {
    std::string execFolder; // upper-cased
    std::string dataFolder;
    bool dataFolderReadOnly = false;
    bool dataFolderFromEnv = false; // named by %klenzordat%

    // The browser's folders, upper-cased: the cache content folder
    // (Content.IE5), the cookies folder, the history folder (History.IE5).
    std::string cacheFolder;
    bool cacheFound = false;
    std::string cookiesFolder;
    bool cookiesFound = false;
    std::string historyFolder;
    bool historyFound = false;

    // Folder + "\" for prefix tests; empty when the folder was not found.
    std::string cachePrefix() const { return cacheFound ? cacheFolder + "\\" : std::string(); }
    std::string cookiesPrefix() const { return cookiesFound ? cookiesFolder + "\\" : std::string(); }

    std::string userDataFolder;
    bool userDataFound = false;

    std::string pluginsFolder;
};

} // namespace kp
