#include "settings/folder_display.h"

#include "platform/files/win_path.h"
#include "settings/folder_set.h"

namespace kp {

namespace {
std::string rightAligned(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string withRoot(const std::string& folder, int driveType, const std::string& root)
{
    return win::upperAscii(folder) + "  -  Root[" + std::to_string(driveType) + "] - " + root;
}
} // namespace

std::vector<std::string> FolderDisplayLines(const FolderSet& f, bool extended)
{
    std::vector<std::string> lines;
    auto add = [&lines](std::string line) {
        lines.push_back(std::move(line));
        lines.emplace_back(" ");
    };
    add("Following are the System Directories/Folders:");
    add("       Cache Folder:  " + f.cacheFolder);
    add("     Cookies Folder:  " + f.cookiesFolder);
    add("Visited URLs Folder:  " + f.historyFolder);
    add("     History Folder:  " + f.historyFolder);
    add("      Recent Folder:  " + f.recentFolder);
    for (const TempEntry& entry : f.displayTemp)
        add(rightAligned(entry.label, 19) + ":  " + entry.path);
    if (f.userDataFound)
        add("    UserData Folder:  " + f.userDataFolder);
    add("Klenzor Pro Exec Folder:  " + f.execFolder);
    if (extended) {
        add("Klenzor Pro Data Folder:  " + withRoot(f.dataFolder, f.dataFolderDriveType, f.dataFolderDrive));
        add("Klenzor Pro Prev Folder:  "
            + withRoot(f.previousDataFolder, f.previousDataFolderDriveType, f.previousDataFolderDrive));
    } else {
        add("Klenzor Pro Data Folder:  " + win::upperAscii(f.dataFolder));
    }
    add("         Plugins Folder:  " + f.pluginsFolder);
    return lines;
}

} // namespace kp
