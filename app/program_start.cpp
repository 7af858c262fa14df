#include "app/program_start.h"

#include "app/app_state.h"
#include "app/single_instance.h"
#include "core/identity.h"
#include "core/message_service.h"
#include "platform/files/win_path.h"
#include "platform/host/console.h"
#include "platform/machine.h"
#include "platform/system/own_program.h"
#include "purge/purge_report.h"
#include "settings/data_folder.h"
#include "settings/settings_file.h"

namespace kp {

bool TakeInstance(SingleInstanceGuard& guard, const Keywords& keywords)
{
    const bool firstInstance = guard.claim();
    if (keywords.IsKeywordPresent("MULT") || firstInstance)
        return true;
    guard.activateFirst();
    return false;
}

std::unique_ptr<win::Machine> OpenWindowsMachine(const std::string& prefix, MessageService& messages)
{
    std::unique_ptr<win::Machine> machine;
    if (const win::DWORD rc = win::Machine::open(prefix, machine); rc != win::err::SUCCESS) {
        messages.show(identity::MessageCaption,
                      "No Windows machine was found in the folder\r\n    " + prefix + "\r\n("
                          + (rc == win::err::PATH_NOT_FOUND ? "the folder does not exist" : "it is not a Wine prefix")
                          + ").\r\n\r\nSet WINEPREFIX to a Wine prefix, or make a sample machine with\r\n"
                            "    kp-make-machine <folder>\r\nand start again with WINEPREFIX=<folder>.",
                      MsgKind::Error, OK);
        return nullptr;
    }
    if (std::string problem; machine->validate(problem) != win::err::SUCCESS) {
        messages.show(identity::MessageCaption,
                      "The Windows machine in the folder\r\n    " + prefix + "\r\ncannot be used: " + problem
                          + "\r\n\r\nRepair the prefix, or make a sample machine with\r\n"
                            "    kp-make-machine <folder>\r\nand start again with WINEPREFIX=<folder>.",
                      MsgKind::Error, OK);
        return nullptr;
    }
    return machine;
}

bool LoadStartupSettings(AppState& state)
{
    win::Machine& machine = *state.machine;
    std::string exec;
    if (win::executableFolder(machine, exec) == win::err::SUCCESS)
        state.folders.execFolder = win::upperAscii(exec);
    const std::string failure = ResolveDataFolder(machine, state.keywords, state.folders.execFolder, state.folders);
    if (!failure.empty()) {
        state.messages.show("Klenzor Pro -  Program Error",
                            failure + ".\r\n\r\nPlease report this message to the vendor...", MsgKind::Error, OK);
        return false;
    }
    SettingsFile file(machine, state.folders);
    state.display.SplashOpt = file.ReadModeInteger(state.mode.modeName, "Config", 0, "SplashOpt");
    state.display.MainWinOpt = file.ReadModeInteger(state.mode.modeName, "Config", 1, "MainWinOpt");
    return true;
}

void PrintReport(const PurgeReport& report)
{
    std::string text;
    for (const QString& line : report.lines())
        text += line.toStdString() + "\n";
    win::writeStandardOutput(text);
}

void SayMainWindowNotOpened()
{
    win::writeStandardError("Klenzor Pro: no display, so the main window that this run would show is not opened.\n");
}

} // namespace kp
