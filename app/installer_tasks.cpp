#include "app/installer_tasks.h"

#include "platform/dos_paths.h"
#include "platform/registry.h"

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
            if (win::upperAscii(win::regValueText(value)) == folder)
                registry.deleteTree(uninstall, subKey);
        }
    }
}

} // namespace kp
