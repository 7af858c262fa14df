#pragma once
// Emptying a folder tree (temp folders, the UserData store) and the purge
// functions built on it.

#include <string>

namespace kp {

struct PurgeContext;

// Deletes everything inside `folder` that `mask` lists and leaves the folder
// itself; files first, then each subfolder after its own contents. A link
// inside the tree is deleted as a link, never entered. Adds each item to
// `counter` and to the run's ProcessedCount.
void PurgeFolderTree(PurgeContext& context, const std::string& folder, const std::string& mask, long long& counter);

// "Temp Folders:": PurgeFolderTree over every configured temp folder.
void PurgeTempFolders(PurgeContext& context);

// "Recent LNKs:": deletes the shortcut (.lnk) files of the Recent folder.
void PurgeRecentLinks(PurgeContext& context);

} // namespace kp
