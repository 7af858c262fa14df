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

namespace {

// True when this process goes on: it is the first instance, or MULT allows
// a second one. Otherwise the first instance is asked to come forward.
bool TakeInstance(SingleInstanceGuard& guard, const Keywords& keywords)
{
    const bool firstInstance = guard.claim();
    if (keywords.IsKeywordPresent("MULT") || firstInstance)
        return true;
    guard.activateFirst();
    return false;
}

// The Windows machine in `prefix`; null, with the reason shown, when there
// is none or it cannot be used (its registry or drive C: is unusable).
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

// The program's folders and the display options of the run's mode, before
// the splash decision. False when the data files could not be taken along
// to the data folder (the failure has been shown).
bool LoadStartupSettings(AppState& state)
{
    win::Machine& machine = *state.machine;
    std::string exec;
    if (win::executableFolder(machine, exec) == win::err::SUCCESS) {
        state.folders.execFolder = win::upperAscii(exec);
        // The program starts in its own folder, as its shortcut starts it;
        // its quick start and messages texts are looked up there.
        machine.setCurrentDirectoryUnchecked(exec);
    }
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

} // namespace

StartedProgram StartProgram(SingleInstanceGuard& guard, const std::string& prefix, const Keywords& keywords,
                            MessageService& messages)
{
    StartedProgram started;
    if (!TakeInstance(guard, keywords))
        return started;
    started.machine = OpenWindowsMachine(prefix, messages);
    if (!started.machine) {
        started.exitStatus = 2;
        return started;
    }
    auto state = std::make_unique<AppState>(keywords, messages, started.machine.get());
    if (!LoadStartupSettings(*state)) {
        started.exitStatus = 9;
        return started;
    }
    started.state = std::move(state);
    return started;
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
