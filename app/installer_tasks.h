#pragma once
// The installer's calls: INIT after installation, UNINST before removal.

#include <optional>
#include <string>

namespace kp {

namespace win {
class Machine;
class Registry;
} // namespace win

// Deletes, in the current user's and then the local machine's Uninstall key,
// the entries "Klenzor Pro - <version>_is1" of older versions whose
// "Inno Setup: App Path" is `execFolder` (letter case aside). The current
// entry ("#.##") and entries of other folders stay.
void RemoveStaleUninstallEntries(win::Registry& registry, const std::string& execFolder);

// Copies the installer's fresh manifest (`executable` + ".ManifesI") over the
// switched-off one (".ManifesX") when that exists, else over the active one
// (".ManifesT"). Returns the failure's text ("Cannot open file <name>",
// "Cannot create file <name>") when the copy fails.
std::optional<std::string> RefreshManifest(win::Machine& machine, const std::string& executable);

// Deletes the user's desktop copy of "Klenzor Pro.lnk" when the all-users
// desktop has one too.
void RemoveDuplicateDesktopShortcut(win::Machine& machine);

// Deletes the program's data files in `folder` (for the product keyword
// `product`: "KlenPro", "Klenzor" or "Ombrix"), then the folder when it is
// left empty. Missing files and failures are passed over.
void DeleteDataFiles(win::Machine& machine, const std::string& folder, const std::string& product);

// Deletes the data files of every user of the machine: each profile's
// Application Data folder + "\" + `dataFolderName`, then `currentDataFolder`.
void DeleteAllUsersDataFiles(win::Machine& machine, const std::string& dataFolderName,
                             const std::string& currentDataFolder);

} // namespace kp
