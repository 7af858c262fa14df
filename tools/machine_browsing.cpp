#include "tools/machine_browsing.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_system.h"
#include "platform/files/volume.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"

#include <algorithm>
#include <cctype>

namespace kp {

namespace {

// Every entry of `folder` but "." and "..", passed to `take`.
template <typename F>
void listFolder(win::Machine& machine, const std::string& folder, F take)
{
    win::FileSystem files(machine);
    win::FindData data;
    win::FindHandle handle;
    if (files.findFirst(JoinedPath(folder, "*.*"), data, handle) != win::err::SUCCESS)
        return;
    do {
        if (data.fileName != "." && data.fileName != "..")
            take(data);
    } while (files.findNext(handle, data) == win::err::SUCCESS);
    files.findClose(handle);
}

void sortNoCase(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return win::upperAscii(a) < win::upperAscii(b); });
}

} // namespace

std::vector<BrowsedDrive> BrowsableDrives(win::Machine& machine)
{
    std::vector<BrowsedDrive> drives;
    win::Volume volume(machine);
    for (char letter : machine.paths().driveLetters()) {
        BrowsedDrive drive;
        drive.letter = char(std::tolower(static_cast<unsigned char>(letter)));
        drive.caption = std::string(1, drive.letter) + ":";
        win::VolumeInfo info;
        if (volume.volumeInformation(std::string(1, letter) + ":\\", info) == win::err::SUCCESS && !info.label.empty())
            drive.caption += " [" + info.label + "]";
        drives.push_back(std::move(drive));
    }
    return drives;
}

std::vector<std::string> SubfolderNames(win::Machine& machine, const std::string& folder)
{
    std::vector<std::string> names;
    listFolder(machine, folder, [&names](const win::FindData& data) {
        if ((data.attributes & win::attr::DIRECTORY) && !(data.attributes & win::attr::REPARSE_POINT))
            names.push_back(data.fileName);
    });
    sortNoCase(names);
    return names;
}

std::vector<std::string> ImportFilesIn(win::Machine& machine, const std::string& folder, ImportFilter filter)
{
    std::vector<std::string> names;
    listFolder(machine, folder, [&names, filter](const win::FindData& data) {
        if (!(data.attributes & win::attr::DIRECTORY) && IsImportFile(filter, data.fileName))
            names.push_back(data.fileName);
    });
    sortNoCase(names);
    return names;
}

bool FolderExists(win::Machine& machine, const std::string& folder)
{
    win::DWORD attributes = 0;
    return win::FileSystem(machine).getAttributes(folder, attributes) == win::err::SUCCESS
        && (attributes & win::attr::DIRECTORY);
}

std::vector<std::string> FolderChain(const std::string& folder)
{
    std::vector<std::string> chain;
    if (folder.size() < 2 || folder[1] != ':')
        return chain;
    std::string path = folder.substr(0, 2) + "\\";
    chain.push_back(path);
    std::size_t start = 3;
    while (start < folder.size()) {
        std::size_t end = folder.find('\\', start);
        if (end == std::string::npos)
            end = folder.size();
        if (end > start) {
            path = JoinedPath(path, folder.substr(start, end - start));
            chain.push_back(path);
        }
        start = end + 1;
    }
    return chain;
}

std::string JoinedPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

} // namespace kp
