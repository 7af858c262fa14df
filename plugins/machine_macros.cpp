#include "plugins/machine_macros.h"

#include "platform/machine.h"
#include "platform/system/environment.h"
#include "platform/system/shell_folders.h"
#include "platform/system/system_info.h"

namespace kp {

std::optional<win::RegRoot> pluginRegistryRoot(std::string_view name)
{
    if (name == "HKCR")
        return win::RegRoot::ClassesRoot;
    if (name == "HKCU")
        return win::RegRoot::CurrentUser;
    if (name == "HKLM")
        return win::RegRoot::LocalMachine;
    if (name == "HKU")
        return win::RegRoot::Users;
    if (name == "HKCC")
        return win::RegRoot::CurrentConfig;
    return std::nullopt;
}

std::optional<std::string> MachineMacros::computerName()
{
    std::string name;
    if (win::computerName(machine_, name) != win::err::SUCCESS)
        return std::nullopt;
    return name;
}

std::optional<std::string> MachineMacros::userName()
{
    std::string name;
    if (win::userName(machine_, name) != win::err::SUCCESS)
        return std::nullopt;
    return name;
}

std::optional<std::string> MachineMacros::shellFolder(int csidl)
{
    std::string path;
    if (win::shGetFolderPath(machine_, csidl, path) != win::err::SUCCESS)
        return std::nullopt;
    return path;
}

std::optional<std::string> MachineMacros::registryString(const std::string& root, const std::string& key,
                                                         const std::string& value)
{
    const std::optional<win::RegRoot> rootKey = pluginRegistryRoot(root);
    if (!rootKey)
        return std::nullopt;
    win::Registry& registry = machine_.registry();
    win::RegKey handle;
    if (registry.openKey(*rootKey, key, false, handle) != win::err::SUCCESS)
        return std::nullopt;
    std::string data;
    if (registry.queryString(handle, value, data) != win::err::SUCCESS)
        return std::nullopt;
    return data;
}

std::string MachineMacros::expandEnvironment(const std::string& text)
{
    return machine_.environment().expand(text);
}

} // namespace kp
