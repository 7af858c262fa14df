#pragma once
// Where the program keeps its data files: the folder named by %klenzordat%,
// else the executable's folder (read-only from a CD or with CDEXEC; the
// Windows folder with SERVER or on a network or RAM drive), moved to the
// Application Data folder's "Klenzor" (or the `data` keyword's) subfolder
// when there is one, taking the older data files along.

#include <string>

namespace kp {

namespace win {
class Machine;
}
class Keywords;
struct FolderSet;

// Fills the data-folder values of `folders` from `execFolder` (the
// executable's folder) when the data folder is still empty; does nothing
// otherwise. Returns "" or the migration's failure ("Cannot open file
// KlenPro.Ini", "Cannot create file ...") for the caller to raise; the
// folder values are set either way.
std::string ResolveDataFolder(win::Machine& machine, const Keywords& keywords, const std::string& execFolder,
                              FolderSet& folders);

} // namespace kp
