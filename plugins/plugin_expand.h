#pragma once
// Macro expansion of a plugin line: "#COMPUTER#", "#USER#", "#APPDATA#",
// "#PICTURES#", "#DOCUMENTS#", registry macros "^ROOT:key[value]" and
// environment variables "%NAME%". Each pass replaces the first "#" macro and
// the first "^" macro, then expands the environment variables; passes repeat
// until the line no longer changes.
//
// A registry value may hold its own macro, so the passes are bounded
// (MaxExpansionPasses) and so is the line's growth: a pass that would make
// the line longer than MaxExpandedLineLength is not taken and expansion ends
// there.

#include <optional>
#include <string>
#include <string_view>

namespace kp {

inline constexpr int MaxExpansionPasses = 32;
inline constexpr std::size_t MaxExpandedLineLength = 4096;

// Where the macros' values come from.
class PluginMacros {
public:
    virtual ~PluginMacros() = default;
    virtual std::optional<std::string> computerName() = 0;
    virtual std::optional<std::string> userName() = 0;
    // A shell folder by its CSIDL number (26 Application Data, 39 My
    // Pictures, 5 My Documents).
    virtual std::optional<std::string> shellFolder(int csidl) = 0;
    // The data of a REG_SZ or REG_EXPAND_SZ value, unexpanded; nothing when
    // the root is unknown, the key cannot be opened or the value is missing
    // or of another type.
    virtual std::optional<std::string> registryString(const std::string& root, const std::string& key,
                                                      const std::string& value) = 0;
    virtual std::string expandEnvironment(const std::string& text) = 0;
};

// One pass over an upper-case line.
std::string expandPluginLineOnce(std::string_view line, PluginMacros& macros);

// The line with its macros applied (the line is upper-cased by the caller).
std::string ExpandPluginLine(std::string_view line, PluginMacros& macros);

} // namespace kp
