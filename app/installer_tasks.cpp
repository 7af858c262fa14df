#include "app/installer_tasks.h"

#include "platform/files/file_system.h"
#include "platform/files/folder_search.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/shell_folders.h"
#include "platform/system/system_info.h"

#include <vector>

namespace kp {

void RemoveStaleUninstallEntries(win::Registry& registry, const std::string& execFolder)
{
    const std::string pattern = win::upperAscii("Klenzor Pro - #.##_is1");
    const std::size_t length = pattern.size();
    const std::string stem = pattern.substr(0, length - 8);
    std::string folder = win::upperAscii(execFolder);
    if (folder.size() > 1 && folder.back() == '\\')
        folder.pop_back();

    for (win::RegRoot root : {win::RegRoot::CurrentUser, win::RegRoot::LocalMachine}) {
        win::RegKey uninstall;
        if (registry.openKey(root, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true, uninstall)
            != win::err::SUCCESS)
            continue;
        std::vector<std::string> names;
        std::string name;
        for (win::DWORD i = 0; registry.enumKey(uninstall, i, name) == win::err::SUCCESS; ++i)
            names.push_back(name);
        for (const std::string& subKey : names) {
            const std::string upper = win::upperAscii(subKey);
            if (upper.size() != length || upper == pattern || upper.compare(0, stem.size(), stem) != 0)
                continue;
            win::RegKey entry;
            if (registry.openKey(uninstall, subKey, false, entry) != win::err::SUCCESS)
                continue;
            win::RegValue value;
            if (registry.queryValue(entry, "Inno Setup: App Path", value) != win::err::SUCCESS)
                continue;
            if (value.type != win::regtype::SZ && value.type != win::regtype::EXPAND_SZ)
                continue;
            // An entry that cannot be deleted stays; the installer's tasks go on.
            if (win::upperAscii(win::regValueText(value)) == folder)
                static_cast<void>(registry.deleteTree(uninstall, subKey));
        }
    }
}

} // namespace kp

namespace kp {

namespace {

bool isFolder(win::FileSystem& files, const std::string& path)
{
    win::DWORD attributes = 0;
    return files.getAttributes(path, attributes) == win::err::SUCCESS && (attributes & win::attr::DIRECTORY);
}

} // namespace

std::optional<std::string> RefreshManifest(win::Machine& machine, const std::string& executable)
{
    win::FileSystem files(machine);
    const std::string fresh = executable + ".ManifesI";
    if (!files.exists(fresh))
        return std::nullopt;
    const std::string switchedOff = executable + ".ManifesX";
    const std::string target = files.exists(switchedOff) ? switchedOff : executable + ".ManifesT";
    if (files.copyFile(fresh, target, false) == win::err::SUCCESS)
        return std::nullopt;
    win::File probe;
    const bool readable = files.createFile(fresh, win::access::GENERIC_READ, win::share::READ | win::share::WRITE,
                                           win::Disposition::OpenExisting, 0, probe)
        == win::err::SUCCESS;
    const std::string& failed = readable ? target : fresh;
    return (readable ? "Cannot create file " : "Cannot open file ") + std::string(win::nameOf(failed));
}

void RemoveDuplicateDesktopShortcut(win::Machine& machine)
{
    std::string common, user;
    if (win::shGetFolderPath(machine, win::csidl::COMMON_DESKTOPDIRECTORY, common) != win::err::SUCCESS
        || win::shGetFolderPath(machine, win::csidl::DESKTOPDIRECTORY, user) != win::err::SUCCESS)
        return;
    if (win::upperAscii(common) == win::upperAscii(user))
        return;
    win::FileSystem files(machine);
    const std::string name = "\\Klenzor Pro.lnk";
    // A shortcut that cannot be deleted stays; the installer's tasks go on.
    if (files.exists(common + name) && files.exists(user + name))
        static_cast<void>(files.deleteFile(user + name));
}

void DeleteDataFiles(win::Machine& machine, const std::string& folder, const std::string& product)
{
    std::vector<const char*> names;
    const std::string kind = win::upperAscii(product);
    if (kind == "KLENPRO")
        names = {"KlenPro.ini", "KlenPro.dat", "Plugins.dat"};
    else if (kind == "KLENZOR")
        names = {"Klenzor.ini", "Klenzor.dat"};
    else if (kind == "OMBRIX")
        names = {"Ombrix.ini", "Ombrix.dat", "Plugins.dat", "IEcookie.dat"};
    names.push_back("Klenzor.log");
    names.push_back("PurgeInx.bat");

    // Failures are passed over: the uninstaller goes on whatever stays.
    win::FileSystem files(machine);
    for (const char* name : names) {
        const std::string path = folder + "\\" + name;
        if (files.exists(path))
            static_cast<void>(files.deleteFile(path));
    }
    static_cast<void>(files.removeDirectory(folder)); // only an empty folder goes
}

void DeleteAllUsersDataFiles(win::Machine& machine, const std::string& dataFolderName,
                             const std::string& currentDataFolder)
{
    std::string user, appData;
    if (win::userName(machine, user) == win::err::SUCCESS && !user.empty()
        && win::shGetFolderPath(machine, win::csidl::APPDATA, appData) == win::err::SUCCESS) {
        const std::string marker = "\\" + user + "\\";
        const std::size_t at = appData.find(marker);
        if (at != std::string::npos) {
            const std::string root = appData.substr(0, at);
            const std::string tail = appData.substr(at + marker.size());
            win::FileSystem files(machine);
            // The profiles listed are cleaned even when the walk fails
            // part-way; the current user's folder comes last in any case.
            std::vector<std::string> users;
            for (const win::FindData& found : win::FolderSearch(files, root + "\\*.*")) {
                if ((found.attributes & win::attr::DIRECTORY) && !(found.attributes & win::attr::REPARSE_POINT)
                    && !found.fileName.empty() && found.fileName[0] != '.')
                    users.push_back(found.fileName);
            }
            for (const std::string& name : users) {
                const std::string userAppData = root + "\\" + name + "\\" + tail;
                const std::string folder = userAppData + "\\" + dataFolderName;
                if (isFolder(files, userAppData) && isFolder(files, folder)
                    && win::upperAscii(folder) != win::upperAscii(currentDataFolder))
                    DeleteDataFiles(machine, folder, "KlenPro");
            }
        }
    }
    if (!currentDataFolder.empty())
        DeleteDataFiles(machine, currentDataFolder, "KlenPro");
}

} // namespace kp
