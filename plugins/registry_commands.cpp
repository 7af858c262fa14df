// DEL1VAL, DELVALS, DEL1KEY and DELKEYS. Keys are opened for writing and
// never created; a key that cannot be opened so counts as absent.

#include "core/error_level.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "plugins/machine_macros.h"
#include "plugins/plugin_interpreter.h"
#include "plugins/plugin_labels.h"
#include "purge/purge_context.h"

namespace kp {

namespace {

bool selected(const std::string& name, const std::string& pattern, char letter)
{
    if (pattern == "*")
        return true;
    if (pattern.empty())
        return false;
    if (letter == 'B')
        return name.starts_with(pattern);
    if (letter == 'C')
        return name.find(pattern) != std::string::npos;
    return false;
}

class RegistryCommand {
public:
    RegistryCommand(PluginInterpreter& run, win::Registry& registry, win::RegRoot root)
        : run_(run)
        , registry_(registry)
        , root_(root)
    {
    }

    void deleteValue(const std::string& key, const std::string& name)
    {
        win::RegKey handle;
        win::RegValue value;
        if (registry_.openKey(root_, key, true, handle) != win::err::SUCCESS
            || registry_.queryValue(handle, name, value) != win::err::SUCCESS)
            return;
        const std::string suffix = value.type == win::regtype::SZ || value.type == win::regtype::EXPAND_SZ
                                       ? " - " + win::regValueText(value)
                                       : " - Type = " + plugin_label::registryTypeName(value.type);
        if (run_.preview()) {
            run_.addDetail(plugin_label::ToDeleteVal + name + suffix);
        } else {
            const win::DWORD rc = registry_.deleteValue(handle, name);
            if (rc == win::err::FILE_NOT_FOUND || rc == win::err::KEY_DELETED)
                return;
            if (rc == win::err::SUCCESS)
                run_.addDetail(plugin_label::ValDeleted + name + suffix);
            else
                run_.add(plugin_label::ValFails + name + suffix);
        }
        run_.count();
    }

    void deleteValues(const std::string& key, const std::string& pattern, char letter)
    {
        std::vector<std::string> names;
        win::RegKey handle;
        if (registry_.openKey(root_, key, true, handle) != win::err::SUCCESS)
            return;
        std::string name;
        win::RegValue value;
        for (win::DWORD i = 0; registry_.enumValue(handle, i, name, value) == win::err::SUCCESS; ++i)
            names.push_back(win::upperAscii(name));
        for (const std::string& n : names)
            if (selected(n, pattern, letter))
                deleteValue(key, n);
    }

    // Depth first, children before their parent. A root itself (an empty
    // key path) is never deleted.
    void deleteKeyTree(const std::string& key)
    {
        if (key.empty())
            return;
        const std::vector<std::string> children = subkeys(key);
        for (const std::string& child : children)
            deleteKeyTree(key + "\\" + child);
        const bool opened = opened_.back();
        opened_.pop_back();
        if (!opened)
            return;
        if (run_.preview()) {
            run_.addDetail(plugin_label::ToDeleteKey + key);
            run_.count();
            return;
        }
        win::RegKey handle, rootKey;
        if (registry_.openKey(root_, key, true, handle) != win::err::SUCCESS
            || registry_.openKey(root_, "", true, rootKey) != win::err::SUCCESS)
            return;
        handle = {};
        if (registry_.deleteKey(rootKey, key) == win::err::SUCCESS)
            run_.addDetail(plugin_label::KeyDeleted + key);
        else
            run_.add(plugin_label::KeyFails + key);
        run_.count();
    }

    void deleteSubkeys(const std::string& key, const std::string& pattern, char letter)
    {
        win::RegKey handle;
        if (registry_.openKey(root_, key, true, handle) != win::err::SUCCESS)
            return;
        for (const std::string& child : names(handle))
            if (selected(child, pattern, letter))
                deleteKeyTree(key + "\\" + child);
    }

private:
    std::vector<std::string> names(const win::RegKey& handle)
    {
        std::vector<std::string> out;
        std::string name;
        for (win::DWORD i = 0; registry_.enumKey(handle, i, name) == win::err::SUCCESS; ++i)
            out.push_back(win::upperAscii(name));
        return out;
    }

    // The key's subkey names; whether it opened is pushed on opened_, to be
    // taken after its children are done.
    std::vector<std::string> subkeys(const std::string& key)
    {
        win::RegKey handle;
        const bool opens = registry_.openKey(root_, key, true, handle) == win::err::SUCCESS;
        std::vector<std::string> out = opens ? names(handle) : std::vector<std::string>();
        opened_.push_back(opens);
        return out;
    }

    PluginInterpreter& run_;
    win::Registry& registry_;
    win::RegRoot root_;
    std::vector<bool> opened_;
};

} // namespace

void PluginInterpreter::runRegistryCommand(const PluginCommand& command)
{
    const std::optional<win::RegRoot> root = pluginRegistryRoot(command.RegRoot);
    if (!root) {
        context().errors.RaiseErrorLevel(5);
        add(plugin_label::InvalidRoot + command.RegRoot);
        return;
    }
    if (!context().machine)
        return;
    RegistryCommand registry(*this, context().machine->registry(), *root);
    if (command.RegVerb == "DEL1VAL")
        registry.deleteValue(command.RegKey, command.RegValue);
    else if (command.RegVerb == "DELVALS")
        registry.deleteValues(command.RegKey, command.RegString, command.RegType);
    else if (command.RegVerb == "DEL1KEY")
        registry.deleteKeyTree(command.RegKey);
    else if (command.RegVerb == "DELKEYS")
        registry.deleteSubkeys(command.RegKey, command.RegString, command.RegType);
}

} // namespace kp
