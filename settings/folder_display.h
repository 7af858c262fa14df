#pragma once
// The lines of the folder display: every folder found, the temp list and
// the program's folders, each followed by a line of one blank.

#include <string>
#include <vector>

namespace kp {

struct FolderSet;

// `extended` (the xcode keyword) adds the data folder's root and drive type
// and the previous data folder.
std::vector<std::string> FolderDisplayLines(const FolderSet& folders, bool extended);

} // namespace kp
