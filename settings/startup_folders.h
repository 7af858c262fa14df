#pragma once
// The program's own folders at start-up: the executable's folder, and the
// data folder (the Application Data folder's "Klenzor" subfolder, created
// when missing; the executable's folder when there is no Application Data
// folder).

namespace kp {

namespace win {
class Machine;
}
struct FolderSet;

void FindStartupFolders(win::Machine& machine, FolderSet& folders);

} // namespace kp
