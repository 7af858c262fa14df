#include "config/desktop_shortcuts.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/shell_link.h"

namespace kp {

namespace {

struct PlaceKey {
    const char* key;
    const char* value;
};

PlaceKey placeKey(ShortcutPlace place)
{
    constexpr const char* shellFolders = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    switch (place) {
    case ShortcutPlace::Desktop: return {shellFolders, "Desktop"};
    case ShortcutPlace::StartMenu: return {shellFolders, "Start Menu"};
    case ShortcutPlace::StartUp: return {shellFolders, "StartUp"};
    case ShortcutPlace::SendTo: return {shellFolders, "SendTo"};
    case ShortcutPlace::QuickLaunch:
        return {"Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups", "Quick Launch"};
    }
    return {shellFolders, "Desktop"};
}

} // namespace

std::string ShortcutFolder(win::Machine& machine, ShortcutPlace place)
{
    const PlaceKey where = placeKey(place);
    win::RegKey key;
    std::string folder;
    if (machine.registry().openKey(win::RegRoot::CurrentUser, where.key, false, key) != win::err::SUCCESS
        || machine.registry().queryString(key, where.value, folder) != win::err::SUCCESS)
        return {};
    return folder;
}

win::DWORD CreateShortcut(win::Machine& machine, const std::string& executable, const ShortcutKind& kind,
                          ShortcutPlace place)
{
    const std::string folder = ShortcutFolder(machine, place);
    if (folder.empty())
        return win::err::SUCCESS;
    const std::string programFolder = executable.substr(0, executable.rfind('\\'));
    win::ShellLink link;
    link.targetPath = executable;
    link.arguments = kind.arguments;
    link.workingDir = programFolder;
    link.iconLocation = programFolder + "\\" + kind.iconFile;
    link.iconIndex = 0;
    link.showCommand = win::showcmd::SHOW;
    return win::saveShellLink(machine, folder + "\\" + kind.name + ".lnk", link);
}

} // namespace kp
