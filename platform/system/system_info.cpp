#include "platform/system/system_info.h"

#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/value_lookup.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace kp::win {

namespace {

constexpr std::string_view kNtVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

struct NamedVersion {
    std::string_view name;
    WindowsVersion version;
};

// The names Wine accepts in Software\Wine\Version, with what it reports.
const std::array<NamedVersion, 14>& namedVersions()
{
    using V = WindowsVersion;
    constexpr DWORD nt = platform_id::WIN32_NT;
    constexpr DWORD w9x = platform_id::WIN32_WINDOWS;
    static const std::array<NamedVersion, 14> table {{
        {"win95", V {4, 0, 950, w9x, ""}},
        {"win98", V {4, 10, 2222, w9x, " A "}},
        {"winme", V {4, 90, 3000, w9x, " "}},
        {"nt40", V {4, 0, 1381, nt, "Service Pack 6a"}},
        {"win2k", V {5, 0, 2195, nt, "Service Pack 4"}},
        {"winxp", V {5, 1, 2600, nt, "Service Pack 3"}},
        {"winxp64", V {5, 2, 3790, nt, "Service Pack 2"}},
        {"win2003", V {5, 2, 3790, nt, "Service Pack 2"}},
        {"vista", V {6, 0, 6002, nt, "Service Pack 2"}},
        {"win2008", V {6, 0, 6002, nt, "Service Pack 2"}},
        {"win7", V {6, 1, 7601, nt, "Service Pack 1"}},
        {"win8", V {6, 2, 9200, nt, ""}},
        {"win81", V {6, 3, 9600, nt, ""}},
        {"win10", V {10, 0, 19043, nt, ""}},
    }};
    return table;
}

bool versionFromWineKey(Registry& registry, WindowsVersion& out)
{
    for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
        std::string name;
        if (readRegText(registry, root, "Software\\Wine", "Version", name))
            continue;
        for (const NamedVersion& v : namedVersions()) {
            if (upperAscii(v.name) == upperAscii(name)) {
                out = v.version;
                return true;
            }
        }
    }
    return false;
}

bool versionFromNtKey(Registry& registry, WindowsVersion& out)
{
    std::string text;
    if (readRegText(registry, RegRoot::LocalMachine, kNtVersionKey, "CurrentVersion", text))
        return false;
    unsigned major = 0, minor = 0;
    if (std::sscanf(text.c_str(), "%u.%u", &major, &minor) != 2)
        return false;
    WindowsVersion v {major, minor, 0, platform_id::WIN32_NT, ""};
    if (!readRegText(registry, RegRoot::LocalMachine, kNtVersionKey, "CurrentBuildNumber", text)
        || !readRegText(registry, RegRoot::LocalMachine, kNtVersionKey, "CurrentBuild", text))
        v.build = DWORD(std::strtoul(text.c_str(), nullptr, 10));
    if (readRegText(registry, RegRoot::LocalMachine, kNtVersionKey, "CSDVersion", v.csdVersion))
        v.csdVersion.clear(); // no service pack
    out = v;
    return true;
}

bool versionFrom9xKey(Registry& registry, WindowsVersion& out)
{
    std::string text;
    if (readRegText(registry, RegRoot::LocalMachine, kVersionKey, "VersionNumber", text))
        return false;
    unsigned major = 0, minor = 0, build = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u", &major, &minor, &build) != 3)
        return false;
    WindowsVersion v {major, minor, build, platform_id::WIN32_WINDOWS, ""};
    if (readRegText(registry, RegRoot::LocalMachine, kVersionKey, "SubVersionNumber", v.csdVersion))
        v.csdVersion.clear(); // no second edition letter
    out = v;
    return true;
}

std::string lastComponent(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/'))
        trimmed.pop_back();
    std::size_t slash = trimmed.find_last_of("\\/:");
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

} // namespace

WindowsVersion windowsVersion(Machine& machine)
{
    Registry& registry = machine.registry();
    WindowsVersion v;
    if (versionFromWineKey(registry, v) || versionFromNtKey(registry, v) || versionFrom9xKey(registry, v))
        return v;
    for (const NamedVersion& named : namedVersions())
        if (named.name == "win7")
            return named.version;
    return v;
}

DWORD platformId(Machine& machine)
{
    return windowsVersion(machine).platformId;
}

DWORD userName(Machine& machine, std::string& name)
{
    Registry& registry = machine.registry();
    std::string text;
    if (!readRegText(registry, RegRoot::CurrentUser, "Volatile Environment", "USERNAME", text) && !text.empty()) {
        name = text;
        return err::SUCCESS;
    }
    if (!readRegText(registry, RegRoot::CurrentUser, std::string(kVersionKey) + "\\Explorer", "Logon User Name", text)
        && !text.empty()) {
        name = text;
        return err::SUCCESS;
    }
    if (!readRegText(registry, RegRoot::LocalMachine, "Network\\Logon", "username", text) && !text.empty()) {
        name = text;
        return err::SUCCESS;
    }
    if (!profileImagePath(machine, text) && !lastComponent(text).empty()) {
        name = lastComponent(text);
        return err::SUCCESS;
    }
    for (const char* variable : {"USER", "LOGNAME"}) {
        if (const char* host = std::getenv(variable); host && *host) {
            name = host;
            return err::SUCCESS;
        }
    }
    return err::FILE_NOT_FOUND;
}

DWORD computerName(Machine& machine, std::string& name)
{
    constexpr std::string_view base = "System\\CurrentControlSet\\Control\\ComputerName\\";
    for (std::string_view key : {"ActiveComputerName", "ComputerName"}) {
        std::string text;
        if (!readRegText(machine.registry(), RegRoot::LocalMachine, std::string(base) + std::string(key),
                         "ComputerName", text)
            && !text.empty()) {
            name = text;
            return err::SUCCESS;
        }
    }
    return err::FILE_NOT_FOUND;
}

std::string userSid(Machine& machine)
{
    return machine.registry().userSid();
}

std::string profileListKey(const std::string& sid)
{
    return std::string(kNtVersionKey) + "\\ProfileList\\" + sid;
}

DWORD profileImagePath(Machine& machine, std::string& path)
{
    std::string sid = userSid(machine);
    if (sid.empty())
        return err::FILE_NOT_FOUND;
    return readRegText(machine.registry(), RegRoot::LocalMachine, profileListKey(sid), "ProfileImagePath", path);
}

std::string windowsDirectory(Machine& machine)
{
    for (std::string_view key : {kNtVersionKey, kVersionKey}) {
        std::string text;
        if (!readRegText(machine.registry(), RegRoot::LocalMachine, key, "SystemRoot", text) && text.size() >= 2
            && text[1] == ':') {
            while (text.size() > 3 && text.back() == '\\')
                text.pop_back();
            return text;
        }
    }
    return "C:\\windows";
}

std::string systemDirectory(Machine& machine)
{
    const char* folder = platformId(machine) == platform_id::WIN32_WINDOWS ? "\\SYSTEM" : "\\system32";
    return windowsDirectory(machine) + folder;
}

} // namespace kp::win
