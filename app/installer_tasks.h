#pragma once
// The installer's calls: INIT after installation, UNINST before removal.

#include <string>

namespace kp {

namespace win {
class Registry;
}

// Deletes, in the current user's and then the local machine's Uninstall key,
// the entries "Klenzor Pro - <version>_is1" of older versions whose
// "Inno Setup: App Path" is `execFolder` (letter case aside). The current
// entry ("#.##") and entries of other folders stay.
void RemoveStaleUninstallEntries(win::Registry& registry, const std::string& execFolder);

} // namespace kp
