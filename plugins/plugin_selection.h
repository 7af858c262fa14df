#pragma once
// The plugin folder's files and the selection file Plugins.Dat.

#include "platform/win32.h"

#include <string>
#include <vector>

namespace kp::win {
class Machine;
}

namespace kp {

struct FolderSet;

// Upper-cased names of the folder's files whose extension is ".STD" or
// ".CUS" (hidden and system files included), sorted.
std::vector<std::string> listPluginFiles(win::Machine& machine, const std::string& folder);

// Adds `name` to a selection kept sorted (letter case aside) unless it is
// already there.
void addToSelection(std::vector<std::string>& selection, const std::string& name);

// Writes `names` (sorted, duplicates dropped) to the selection file, one per
// line, replacing it atomically after clearing its read-only attribute; the
// in-memory selection changes only when the file was written. Nothing at all
// when the data folder is read-only.
win::DWORD savePluginSelection(win::Machine& machine, FolderSet& folders, const std::vector<std::string>& names);

} // namespace kp
