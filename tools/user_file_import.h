#pragma once
// Importing a data file of an earlier installation (or of the single
// edition) into the data folder: which files are recognised, what each is
// called there, and the copy.

#include <string>
#include <vector>

namespace kp {

namespace win {
class Machine;
}

// The file-type choices of the import window, in its order.
enum class ImportFilter { BothEditions, CurrentEdition, SingleEdition };

// The lower-case names a filter lists.
const std::vector<std::string>& ImportFileNames(ImportFilter filter);
// `name` is one of them, in any letter case.
bool IsImportFile(ImportFilter filter, const std::string& name);

// What selecting a file shows.
struct ImportChoice {
    std::string fileLabel;
    std::string targetName;    // in the data folder; "" for no copy
    std::string buttonCaption; // "" hides the copy button
    bool conflict = false;     // a current file inside the data folder itself
};

// The choice for the file `name` of a folder; `inDataFolder` when that
// folder is the data folder.
ImportChoice ChooseImportFile(const std::string& name, bool inDataFolder);

// The two Windows paths name the same folder (letter case, short names and
// a trailing backslash aside).
bool IsSameFolder(win::Machine& machine, const std::string& a, const std::string& b);

// Copies `source` to the data folder under `targetName`, replacing a file
// of that name. "" on success, else "Cannot open file <source>" or
// "Cannot create file <target>".
std::string ImportUserFile(win::Machine& machine, const std::string& source, const std::string& dataFolder,
                           const std::string& targetName);

} // namespace kp
