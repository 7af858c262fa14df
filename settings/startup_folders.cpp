#include "settings/startup_folders.h"

#include "platform/dos_paths.h"
#include "platform/machine.h"
#include "platform/own_program.h"
#include "platform/registry.h"
#include "platform/file_system.h"
#include "settings/folder_set.h"

namespace kp {

namespace {
bool isFolder(win::FileSystem& files, const std::string& path)
{
    win::DWORD attributes = 0;
    return files.getAttributes(path, attributes) == win::err::SUCCESS && (attributes & win::attr::DIRECTORY);
}

std::string applicationDataFolder(win::Machine& machine)
{
    win::Registry& registry = machine.registry();
    win::RegKey key;
    if (registry.openKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         false, key)
        != win::err::SUCCESS)
        return {};
    std::string path;
    if (registry.queryString(key, "AppData", path) != win::err::SUCCESS)
        return {};
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    win::FileSystem files(machine);
    return isFolder(files, path) ? path : std::string();
}
} // namespace

void FindStartupFolders(win::Machine& machine, FolderSet& folders)
{
    std::string exec;
    if (win::executableFolder(machine, exec) == win::err::SUCCESS)
        folders.execFolder = win::upperAscii(exec);
    folders.dataFolder = folders.execFolder;

    const std::string appData = applicationDataFolder(machine);
    if (appData.empty())
        return;
    const std::string data = appData + "\\Klenzor";
    win::FileSystem files(machine);
    if (isFolder(files, data) || files.createDirectory(data) == win::err::SUCCESS)
        folders.dataFolder = data;
}

} // namespace kp
