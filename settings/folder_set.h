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

    std::string userDataFolder;
    bool userDataFound = false;

    std::string pluginsFolder;
};

} // namespace kp
