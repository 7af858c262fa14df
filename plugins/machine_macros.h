#pragma once
// Plugin macros over the machine being cleaned, and the registry roots that
// plugin lines may name.

#include "platform/registry/registry.h"
#include "plugins/plugin_expand.h"

#include <optional>
#include <string_view>

namespace kp::win {
class Machine;
}

namespace kp {

// "HKCR", "HKCU", "HKLM", "HKU", "HKCC"; nothing for any other text.
std::optional<win::RegRoot> pluginRegistryRoot(std::string_view name);

class MachineMacros : public PluginMacros {
public:
    explicit MachineMacros(win::Machine& machine)
        : machine_(machine)
    {
    }
    std::optional<std::string> computerName() override;
    std::optional<std::string> userName() override;
    std::optional<std::string> shellFolder(int csidl) override;
    std::optional<std::string> registryString(const std::string& root, const std::string& key,
                                              const std::string& value) override;
    std::string expandEnvironment(const std::string& text) override;

private:
    win::Machine& machine_;
};

} // namespace kp
