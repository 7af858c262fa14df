#include "app/main_window_start.h"

#include "app/app_state.h"
#include "core/identity.h"
#include "core/message_service.h"
#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/system/own_program.h"
#include "platform/system/pe_exports.h"
#include "platform/system/system_info.h"
#include "purge/log_file.h"
#include "purge/purge_report.h"
#include "purge/show_text_file.h"
#include "settings/data_folder.h"
#include "settings/folder_discovery.h"
#include "settings/option_set_store.h"
#include "settings/settings_file.h"
#include "settings/window_settings.h"

#include <stdexcept>

namespace kp {

std::optional<std::string> BeginMainWindowStart(AppState& state, PurgeReport& report, LogFile& log)
{
    report.ClearReport();
    state.errors.ErrorFlag = false;
    state.errors.ResetErrorLevel(state.keywords);
    std::optional<std::string> placement;
    if (state.machine) {
        const std::string failure =
            ResolveDataFolder(*state.machine, state.keywords, state.folders.execFolder, state.folders);
        if (!failure.empty())
            throw std::runtime_error(failure);
        SettingsFile file(*state.machine, state.folders);
        placement = LoadWindowSettings(file, "MainForm", state.general, state.keywords);
    }
    log.setDataFolder(state.folders.dataFolder, !state.folders.dataFolderReadOnly);
    return placement;
}

bool AcceptInternetExplorer(AppState& state)
{
    state.ie = detectIeVersion(state.keywords, state.machine);
    if (state.ie.ie4)
        return true;
    state.messages.show(identity::MessageCaption,
                        "This program was designed for Internet Explorer \r\nVersion 4.0 and higher.\r\n\r\n"
                        "This could not be confirmed via the Windows Registry.\r\nExecution will terminate.",
                        MsgKind::Error, OK);
    state.errors.ErrorFlag = true;
    state.errors.RaiseErrorLevel(9);
    return false;
}

StepTable CheckRecycleBin(StepTable steps, win::Machine* machine)
{
    if (!machine)
        return steps;
    bool exported = false;
    if (win::fileExports(*machine, win::systemDirectory(*machine) + "\\Shell32.dll", "SHEmptyRecycleBinA", exported)
            != win::err::SUCCESS
        || !exported)
        steps[PurgeStep::Recycle] = {};
    return steps;
}

bool OptionAvailable(const PurgeOptionField& field, const StepTable& steps, const IeVersion& ie)
{
    if (!field.step)
        return steps.shredding;
    return steps.has(*field.step) && (!field.ie5Box || ie.ie5);
}

DriverInput StartingControls(AppState& state, const StepTable& steps)
{
    DriverInput in;
    for (const PurgeOptionField& f : PurgeOptionFields) {
        if (f.ie5Box)
            in.ie5Boxes.*f.ie5Box = OptionAvailable(f, steps, state.ie);
    }
    if (state.machine) {
        SettingsFile file(*state.machine, state.folders);
        in.options = LoadOptionSet(file, state.folders.modePrefix, in.ie5Boxes);
    }
    for (const PurgeOptionField& f : PurgeOptionFields) {
        if (!OptionAvailable(f, steps, state.ie))
            in.options.*f.flag = false;
    }
    return in;
}

void FinishMainWindowStart(AppState& state, PurgeReport& report)
{
    if (!state.machine)
        return;
    FindFolders(*state.machine, state.keywords, {state.ie.ie5, state.ie.ie6}, state.general, state.folders);
    std::string executable;
    if (win::executablePath(*state.machine, executable) == win::err::SUCCESS)
        state.theme = ReadThemeState(*state.machine, executable);
    if (state.general.NewVersionFlag || state.keywords.IsKeywordPresent("NEWVER")) {
        std::string folder = state.machine->currentDirectory();
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        ShowTextFile(report, *state.machine, folder + "KproMsgs.txt");
    }
}

void SaveMainWindowValues(AppState& state, const std::string& placement)
{
    if (!state.machine)
        return;
    SettingsFile file(*state.machine, state.folders);
    SaveWindowSettings(file, "MainForm", placement, state.general);
}

void RunAndLog(AppState& state, PurgeDriver& driver, DriverView& view, LogFile& log, bool preview)
{
    if (state.run.BusyFlag)
        return;
    state.run.previewButton = preview;
    state.run.PreviewFlag = preview;
    driver.run(view);
    log.WriteLogFile(driver.report());
}

void ExitCommandTest(const Keywords& keywords)
{
    if (keywords.IsKeywordPresent("Abort"))
        throw std::runtime_error("Exception Test - Mainform");
}

} // namespace kp
