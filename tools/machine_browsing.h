#pragma once
// Browsing the machine's drives and folders for the import window: the
// drives with their labels, a folder's subfolders and its recognised files.

#include "tools/user_file_import.h"

#include <string>
#include <vector>

namespace kp {

namespace win {
class Machine;
}

struct BrowsedDrive {
    char letter = 0;     // lower case, as the drive box shows it
    std::string caption; // "c: [LABEL]", or "c:" without a label
};

std::vector<BrowsedDrive> BrowsableDrives(win::Machine& machine);

// The names of `folder`'s subfolders, sorted without regard to letter case;
// links are left out, since they would lead out of the folder.
std::vector<std::string> SubfolderNames(win::Machine& machine, const std::string& folder);

// The files of `folder` that `filter` lists, sorted as above.
std::vector<std::string> ImportFilesIn(win::Machine& machine, const std::string& folder, ImportFilter filter);

// True when `folder` exists and is a folder.
bool FolderExists(win::Machine& machine, const std::string& folder);

// "C:\A\B" -> {"C:\", "C:\A", "C:\A\B"}: the folder list's upper rows.
std::vector<std::string> FolderChain(const std::string& folder);

// `folder` + "\" + `name`, with one backslash after a drive's root.
std::string JoinedPath(const std::string& folder, const std::string& name);

} // namespace kp
