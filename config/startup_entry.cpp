#include "config/startup_entry.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"

namespace kp {

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValueName = "Klenzor";

} // namespace

bool StartupEntryPresent(win::Machine& machine, const std::string& executable)
{
    win::Registry& registry = machine.registry();
    win::RegKey key;
    if (registry.openKey(win::RegRoot::CurrentUser, kRunKey, false, key) != win::err::SUCCESS)
        return false;
    win::RegValue value;
    if (registry.queryValue(key, kValueName, value) != win::err::SUCCESS
        || (value.type != win::regtype::SZ && value.type != win::regtype::EXPAND_SZ))
        return false;
    const std::string data = win::regValueText(value);
    if (data.size() >= 9) {
        const std::string_view tail = std::string_view(data).substr(data.size() - 9);
        if (tail == ".EXE BOOT" || tail == "EXE\" BOOT")
            return true;
    }
    return data == StartupEntryData(machine, executable);
}

std::string StartupEntryData(win::Machine& machine, const std::string& executable)
{
    std::string shortPath;
    win::FileSystem files(machine);
    if (files.shortPathName(executable, shortPath) != win::err::SUCCESS)
        shortPath.clear();
    return win::upperAscii("\"" + shortPath + "\" Boot");
}

win::DWORD WriteStartupEntry(win::Machine& machine, const std::string& executable)
{
    win::RegKey key;
    if (win::DWORD rc = machine.registry().createKey(win::RegRoot::CurrentUser, kRunKey, key); rc != win::err::SUCCESS)
        return rc;
    return machine.registry().setString(key, kValueName, StartupEntryData(machine, executable));
}

win::DWORD RemoveStartupEntry(win::Machine& machine)
{
    win::RegKey key;
    if (win::DWORD rc = machine.registry().createKey(win::RegRoot::CurrentUser, kRunKey, key); rc != win::err::SUCCESS)
        return rc;
    const win::DWORD rc = machine.registry().deleteValue(key, kValueName);
    return rc == win::err::FILE_NOT_FOUND ? win::err::SUCCESS : rc;
}

} // namespace kp
