#include "platform/system/shell_folders.h"

#include "platform/files/dos_paths.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/value_lookup.h"
#include "platform/system/environment.h"
#include "platform/system/system_info.h"

#include <sys/stat.h>

namespace kp::win {

namespace {

constexpr std::string_view kExplorerKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

struct FolderEntry {
    int id;
    std::string_view valueName;
    bool common;
};

constexpr FolderEntry kRegistryFolders[] = {
    {csidl::DESKTOP, "Desktop", false},
    {csidl::PROGRAMS, "Programs", false},
    {csidl::PERSONAL, "Personal", false},
    {csidl::FAVORITES, "Favorites", false},
    {csidl::STARTUP, "StartUp", false},
    {csidl::RECENT, "Recent", false},
    {csidl::SENDTO, "SendTo", false},
    {csidl::STARTMENU, "Start Menu", false},
    {csidl::MYMUSIC, "My Music", false},
    {csidl::MYVIDEO, "My Videos", false},
    {csidl::DESKTOPDIRECTORY, "Desktop", false},
    {csidl::NETHOOD, "NetHood", false},
    {csidl::FONTS, "Fonts", false},
    {csidl::TEMPLATES, "Templates", false},
    {csidl::COMMON_STARTMENU, "Common Start Menu", true},
    {csidl::COMMON_PROGRAMS, "Common Programs", true},
    {csidl::COMMON_STARTUP, "Common StartUp", true},
    {csidl::COMMON_DESKTOPDIRECTORY, "Common Desktop", true},
    {csidl::APPDATA, "AppData", false},
    {csidl::PRINTHOOD, "PrintHood", false},
    {csidl::LOCAL_APPDATA, "Local AppData", false},
    {csidl::COMMON_FAVORITES, "Common Favorites", true},
    {csidl::INTERNET_CACHE, "Cache", false},
    {csidl::COOKIES, "Cookies", false},
    {csidl::HISTORY, "History", false},
    {csidl::COMMON_APPDATA, "Common AppData", true},
    {csidl::MYPICTURES, "My Pictures", false},
    {csidl::COMMON_TEMPLATES, "Common Templates", true},
    {csidl::COMMON_DOCUMENTS, "Common Documents", true},
    {csidl::COMMON_ADMINTOOLS, "Common Administrative Tools", true},
    {csidl::ADMINTOOLS, "Administrative Tools", false},
    {csidl::COMMON_MUSIC, "CommonMusic", true},
    {csidl::COMMON_PICTURES, "CommonPictures", true},
    {csidl::COMMON_VIDEO, "CommonVideo", true},
};

const FolderEntry* registryFolder(int id)
{
    for (const FolderEntry& entry : kRegistryFolders)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

DWORD fromShellFolderKeys(Machine& machine, const FolderEntry& entry, std::string& text)
{
    RegRoot root = entry.common ? RegRoot::LocalMachine : RegRoot::CurrentUser;
    for (std::string_view key : {"User Shell Folders", "Shell Folders"}) {
        if (!readRegText(machine.registry(), root, std::string(kExplorerKey) + std::string(key), entry.valueName, text)
            && !text.empty())
            return err::SUCCESS;
    }
    return err::FILE_NOT_FOUND;
}

DWORD fromVersionKey(Machine& machine, std::string_view valueName, std::string& text)
{
    DWORD e = readRegText(machine.registry(), RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                          valueName, text);
    if (e == err::SUCCESS && text.empty())
        e = err::FILE_NOT_FOUND;
    return e == err::INVALID_DATA ? err::FILE_NOT_FOUND : e;
}

// The folder's text before expansion, or why there is none.
DWORD folderText(Machine& machine, int id, std::string& text)
{
    if (const FolderEntry* entry = registryFolder(id))
        return fromShellFolderKeys(machine, *entry, text);
    switch (id) {
    case csidl::WINDOWS:
        text = windowsDirectory(machine);
        return err::SUCCESS;
    case csidl::SYSTEM:
        text = systemDirectory(machine);
        return err::SUCCESS;
    case csidl::PROGRAM_FILES:
        return fromVersionKey(machine, "ProgramFilesDir", text);
    case csidl::PROGRAM_FILES_COMMON:
        return fromVersionKey(machine, "CommonFilesDir", text);
    case csidl::PROFILE:
        return machine.environment().get("USERPROFILE", text) ? err::FILE_NOT_FOUND : err::SUCCESS;
    default:
        return err::INVALID_PARAMETER;
    }
}

bool folderExists(Machine& machine, const std::string& winPath)
{
    std::string host;
    bool exists = false;
    if (machine.paths().toHost(winPath, host, &exists) || !exists)
        return false;
    struct stat st {};
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

DWORD shGetFolderPath(Machine& machine, int id, std::string& winPath)
{
    int flags = id & csidl::FLAG_MASK;
    if (flags & ~csidl::FLAG_DONT_VERIFY)
        return err::INVALID_FLAGS;
    std::string text;
    if (DWORD e = folderText(machine, id & ~csidl::FLAG_MASK, text))
        return e;
    std::string path = machine.environment().expand(text);
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    winPath = path;
    if (!(flags & csidl::FLAG_DONT_VERIFY) && !folderExists(machine, path))
        return err::PATH_NOT_FOUND;
    return err::SUCCESS;
}

DWORD shGetSpecialFolderPath(Machine& machine, int id, std::string& winPath)
{
    return shGetFolderPath(machine, id, winPath);
}

} // namespace kp::win
