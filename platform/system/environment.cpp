#include "platform/system/environment.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/value_lookup.h"
#include "platform/system/system_info.h"

#include <cctype>

extern char** environ;

namespace kp::win {

namespace {

constexpr std::size_t kMaxPath = 260;
constexpr std::string_view kProfileListKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// Host variables that Wine does not hand to Windows programs.
bool isHostOnly(std::string_view name)
{
    for (std::string_view special : {"PATH", "PWD", "HOME", "TEMP", "TMP"})
        if (name == special)
            return true;
    return name.starts_with("QT_") || name.starts_with("VK_");
}

bool validName(std::string_view name)
{
    return !name.empty() && name.find('=') == std::string_view::npos;
}

bool hasDrive(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' && std::isalpha((unsigned char)path[0]);
}

} // namespace

const std::string* Environment::Block::find(std::string_view name) const
{
    auto it = byUpperName.find(upperAscii(name));
    return it == byUpperName.end() ? nullptr : &vars[it->second].second;
}

void Environment::Block::put(std::string_view name, std::string value)
{
    auto [it, added] = byUpperName.emplace(upperAscii(name), vars.size());
    if (added)
        vars.emplace_back(std::string(name), std::move(value));
    else
        vars[it->second] = {std::string(name), std::move(value)}; // the latest spelling, as Windows keeps it
}

void Environment::Block::erase(std::string_view name)
{
    auto it = byUpperName.find(upperAscii(name));
    if (it == byUpperName.end())
        return;
    std::size_t index = it->second;
    vars.erase(vars.begin() + std::ptrdiff_t(index));
    byUpperName.erase(it);
    for (auto& entry : byUpperName)
        if (entry.second > index)
            --entry.second;
}

Environment::Environment(Machine& machine)
    : machine_(machine)
{
}

void Environment::ensureBuilt()
{
    if (!built_)
        build();
}

void Environment::refresh()
{
    build();
}

void Environment::build()
{
    block_ = Block();
    addHostVariables();
    std::string windowsDir = windowsDirectory(machine_);
    block_.put("SystemRoot", windowsDir);
    block_.put("SystemDrive", windowsDir.substr(0, 2));
    addRegistryKey(RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment", false);
    addProfileVariables();
    addRegistryKey(RegRoot::CurrentUser, "Environment", true);
    addRegistryKey(RegRoot::CurrentUser, "Volatile Environment", false);
    addShellFolderVariables();
    if (!block_.find("windir"))
        block_.put("windir", windowsDir);
    for (const auto& [name, value] : localChanges_) {
        if (value)
            block_.put(name, *value);
        else
            block_.erase(name);
    }
    built_ = true;
}

void Environment::addHostVariables()
{
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        std::size_t eq = text.find('=');
        if (eq == std::string_view::npos || eq == 0)
            continue;
        std::string_view name = text.substr(0, eq);
        if (!isHostOnly(name))
            block_.put(name, std::string(text.substr(eq + 1)));
    }
}

void Environment::addRegistryKey(RegRoot root, std::string_view subKey, bool appendPath)
{
    Registry& registry = machine_.registry();
    RegKey key;
    if (registry.openKey(root, subKey, false, key))
        return;
    for (DWORD pass : {regtype::SZ, regtype::EXPAND_SZ}) {
        std::string name;
        RegValue value;
        for (DWORD i = 0; registry.enumValue(key, i, name, value) == err::SUCCESS; ++i) {
            if (value.type != pass || !validName(name))
                continue;
            std::string text = regValueText(value);
            if (pass == regtype::EXPAND_SZ)
                text = expandWith(text);
            const std::string* previous = block_.find(name);
            if (appendPath && upperAscii(name) == "PATH" && previous && !previous->empty())
                text = *previous + ";" + text;
            block_.put(name, std::move(text));
        }
    }
}

void Environment::addProfileVariables()
{
    Registry& registry = machine_.registry();
    auto readExpanded = [&](RegRoot root, std::string_view subKey, std::string_view name, std::string& out) {
        DWORD type = regtype::SZ;
        if (readRegText(registry, root, subKey, name, out, &type) || out.empty())
            return false;
        if (type == regtype::EXPAND_SZ)
            out = expandWith(out);
        return true;
    };

    std::string text;
    if (readExpanded(RegRoot::LocalMachine, kProfileListKey, "ProgramData", text)) {
        block_.put("ALLUSERSPROFILE", text);
        block_.put("ProgramData", text);
    } else {
        std::string profiles, allUsers;
        if (readExpanded(RegRoot::LocalMachine, kProfileListKey, "ProfilesDirectory", profiles)
            && readExpanded(RegRoot::LocalMachine, kProfileListKey, "AllUsersProfile", allUsers))
            block_.put("ALLUSERSPROFILE", profiles + "\\" + allUsers);
    }
    if (readExpanded(RegRoot::LocalMachine, kProfileListKey, "Public", text))
        block_.put("PUBLIC", text);

    if (!computerName(machine_, text))
        block_.put("COMPUTERNAME", text);
    std::string user;
    if (!userName(machine_, user))
        block_.put("USERNAME", user);

    std::string profile;
    std::string sid = userSid(machine_);
    if (sid.empty() || !readExpanded(RegRoot::LocalMachine, profileListKey(sid), "ProfileImagePath", profile)) {
        std::string profiles;
        if (!user.empty() && readExpanded(RegRoot::LocalMachine, kProfileListKey, "ProfilesDirectory", profiles))
            profile = profiles + "\\" + user;
    }
    if (!profile.empty()) {
        block_.put("USERPROFILE", profile);
        if (hasDrive(profile)) {
            block_.put("HOMEDRIVE", profile.substr(0, 2));
            block_.put("HOMEPATH", profile.size() > 2 ? profile.substr(2) : "\\");
        }
    }

    // A 64-bit machine keeps the 32-bit folders in the "(x86)" values.
    bool wow64 = !readRegText(registry, RegRoot::LocalMachine, kVersionKey, "ProgramFilesDir (x86)", text);
    struct Folder {
        std::string_view value, variable, variable64;
    };
    for (const Folder& f : {Folder {"ProgramFilesDir", "ProgramFiles", "ProgramW6432"},
                            Folder {"ProgramFilesDir (x86)", "ProgramFiles(x86)", ""},
                            Folder {"CommonFilesDir", "CommonProgramFiles", "CommonProgramW6432"},
                            Folder {"CommonFilesDir (x86)", "CommonProgramFiles(x86)", ""}}) {
        if (!readExpanded(RegRoot::LocalMachine, kVersionKey, f.value, text))
            continue;
        block_.put(f.variable, text);
        if (wow64 && !f.variable64.empty())
            block_.put(f.variable64, text);
    }
}

void Environment::addShellFolderVariables()
{
    constexpr std::string_view base = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    Registry& registry = machine_.registry();
    for (auto [variable, folder] : {std::pair<std::string_view, std::string_view> {"APPDATA", "AppData"},
                                    std::pair<std::string_view, std::string_view> {"LOCALAPPDATA", "Local AppData"}}) {
        if (block_.find(variable))
            continue;
        for (std::string_view key : {"User Shell Folders", "Shell Folders"}) {
            std::string text;
            DWORD type = regtype::SZ;
            if (readRegText(registry, RegRoot::CurrentUser, std::string(base) + std::string(key), folder, text, &type)
                || text.empty())
                continue;
            block_.put(variable, type == regtype::EXPAND_SZ ? expandWith(text) : text);
            break;
        }
    }
}

std::string Environment::expandWith(std::string_view text) const
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t open = text.find('%', pos);
        if (open == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, open - pos));
        std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(open));
            break;
        }
        std::string_view name = text.substr(open + 1, close - open - 1);
        const std::string* value = name.empty() ? nullptr : block_.find(name);
        if (value)
            out += *value;
        else
            out.append(text.substr(open, close - open + 1));
        pos = close + 1;
    }
    return out;
}

void Environment::recordLocalChange(std::string_view name, std::optional<std::string> value)
{
    std::string upper = upperAscii(name);
    std::erase_if(localChanges_, [&](const auto& change) { return upperAscii(change.first) == upper; });
    localChanges_.emplace_back(std::string(name), std::move(value));
}

DWORD Environment::get(std::string_view name, std::string& value)
{
    ensureBuilt();
    const std::string* found = validName(name) ? block_.find(name) : nullptr;
    if (!found)
        return err::ENVVAR_NOT_FOUND;
    value = *found;
    return err::SUCCESS;
}

DWORD Environment::set(std::string_view name, std::string_view value)
{
    if (!validName(name))
        return err::INVALID_PARAMETER;
    ensureBuilt();
    recordLocalChange(name, std::string(value));
    block_.put(name, std::string(value));
    return err::SUCCESS;
}

DWORD Environment::remove(std::string_view name)
{
    if (!validName(name))
        return err::INVALID_PARAMETER;
    ensureBuilt();
    recordLocalChange(name, std::nullopt);
    block_.erase(name);
    return err::SUCCESS;
}

std::string Environment::expand(std::string_view text)
{
    ensureBuilt();
    return expandWith(text);
}

DWORD Environment::tempPath(std::string& path)
{
    ensureBuilt();
    std::string chosen;
    for (std::string_view name : {"TMP", "TEMP", "USERPROFILE"}) {
        const std::string* value = block_.find(name);
        if (value && !value->empty()) {
            chosen = *value;
            break;
        }
    }
    if (chosen.empty())
        chosen = windowsDirectory(machine_);
    if (chosen.size() > kMaxPath)
        return err::FILENAME_EXCED_RANGE;
    std::string full;
    if (DWORD e = FileSystem(machine_).fullPathName(chosen, full))
        return e;
    if (full.back() != '\\')
        full += '\\';
    if (full.size() > kMaxPath - 1)
        return err::FILENAME_EXCED_RANGE;
    path = full;
    return err::SUCCESS;
}

std::vector<std::pair<std::string, std::string>> Environment::variables()
{
    ensureBuilt();
    return block_.vars;
}

} // namespace kp::win
