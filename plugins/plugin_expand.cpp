#include "plugins/plugin_expand.h"

#include "platform/files/win_path.h"
#include "plugins/plugin_command.h"

#include <array>

namespace kp {

namespace {

constexpr std::size_t kKeptAfterMacro = 255;
constexpr std::size_t kEnvironmentLimit = 255;

struct NameMacro {
    std::string_view name;
    int csidl; // 0: not a folder
};
constexpr std::array<NameMacro, 5> kNameMacros = {{
    {"#COMPUTER#", 0},
    {"#USER#", 0},
    {"#APPDATA#", 26},
    {"#PICTURES#", 39},
    {"#DOCUMENTS#", 5},
}};

std::string replaced(std::string_view line, std::size_t at, std::size_t length, std::string_view by)
{
    std::string out(line.substr(0, at));
    out += by;
    out += line.substr(at + length, kKeptAfterMacro);
    return win::upperAscii(out);
}

std::string expandNameMacro(std::string line, PluginMacros& macros)
{
    const std::size_t at = line.find('#');
    if (at == std::string::npos)
        return line;
    const std::string_view from = std::string_view(line).substr(at);
    for (const NameMacro& macro : kNameMacros) {
        if (!from.starts_with(macro.name))
            continue;
        std::optional<std::string> value;
        if (macro.name == "#COMPUTER#")
            value = macros.computerName();
        else if (macro.name == "#USER#")
            value = macros.userName();
        else
            value = macros.shellFolder(macro.csidl);
        if (!value)
            return line;
        return replaced(line, at, macro.name.size(), value->substr(0, macro.csidl ? value->size() : 127));
    }
    return line;
}

std::string expandRegistryMacro(std::string line, PluginMacros& macros)
{
    const std::size_t at = line.find('^');
    if (at == std::string::npos)
        return line;
    const std::string_view from = std::string_view(line).substr(at);
    bool isRoot = false;
    for (std::string_view root : {"^HKCR:", "^HKCU:", "^HKU:", "^HKLM:", "^HKCC:"})
        isRoot = isRoot || from.starts_with(root);
    const std::size_t close = line.find(']');
    if (!isRoot || close == std::string::npos || close < at)
        return line;
    const PluginCommand value = ParsePluginLine("DEL1VAL=" + line.substr(at + 1, close - at));
    const std::optional<std::string> data = macros.registryString(value.RegRoot, value.RegKey, value.RegValue);
    if (!data || data->empty())
        return line;
    return replaced(line, at, close - at + 1, *data);
}

} // namespace

std::string expandPluginLineOnce(std::string_view line, PluginMacros& macros)
{
    std::string out = expandRegistryMacro(expandNameMacro(std::string(line), macros), macros);
    if (out.find('%') != std::string::npos) {
        out = macros.expandEnvironment(out);
        if (out.size() > kEnvironmentLimit)
            out.resize(kEnvironmentLimit);
        out = win::upperAscii(out);
    }
    return out;
}

std::string ExpandPluginLine(std::string_view line, PluginMacros& macros)
{
    std::string current(line);
    for (int pass = 0; pass < MaxExpansionPasses; ++pass) {
        std::string next = expandPluginLineOnce(current, macros);
        if (next == current || (next.size() > MaxExpandedLineLength && next.size() > current.size()))
            break;
        current = std::move(next);
    }
    return current;
}

} // namespace kp
