#include "app/shutdown_windows.h"

#include "app/app_state.h"
#include "core/message_service.h"
#include "platform/system/exit_windows.h"
#include "platform/system/privileges.h"
#include "platform/system/system_info.h"
#include "settings/settings_file.h"

#include <string>

namespace kp {

win::DWORD ShutdownExitFlag(int shutType)
{
    switch (shutType) {
    case 1:
        return win::ewx::REBOOT;
    case 2:
        return win::ewx::SHUTDOWN;
    case 3:
        return win::ewx::POWEROFF;
    default:
        return win::ewx::LOGOFF;
    }
}

bool EnableShutdownPrivilege()
{
    win::DWORD luid = 0;
    return win::lookupPrivilegeValue("SeShutdownPrivilege", luid) == win::err::SUCCESS
        && win::enableTokenPrivilege(luid) == win::err::SUCCESS;
}

void ShutdownWindows(AppState& state)
{
    if (!state.machine)
        return;
    win::Machine& machine = *state.machine;
    const int shutType = SettingsFile(machine, state.folders).readInteger("ShutOption", "ShutType", 0);
    if (win::platformId(machine) == win::platform_id::WIN32_NT)
        EnableShutdownPrivilege();
    const win::DWORD code = win::exitWindows(machine, ShutdownExitFlag(shutType), 0);
    if (code == win::err::SUCCESS)
        return;
    state.messages.show("Klenzor Pro  -  Message",
                        "The shutdown function encountered a \r\n\r\nSystem Error attempting to shutdown Windows.\r\n\r\n"
                        "The Error Code is Error-" + std::to_string(code) + "\r\n\r\nPress \"OK\" to exit to Windows",
                        MsgKind::Error, OK);
    state.errors.ErrorFlag = true;
}

} // namespace kp
