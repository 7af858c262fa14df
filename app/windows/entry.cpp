#include "app/windows/entry.h"

#include "app/app_state.h"
#include "app/installer_tasks.h"
#include "app/program_start.h"
#include "app/show_decision.h"
#include "app/single_instance.h"
#include "app/windows/guarded_application.h"
#include "app/windows/main_form.h"
#include "app/windows/splash.h"
#include "config/theme_state.h"
#include "config/windows/visual_style.h"
#include "core/identity.h"
#include "core/scope_guard.h"
#include "core/windows/message_dialog.h"
#include "platform/host/console.h"
#include "platform/machine.h"
#include "platform/system/browser_windows.h"
#include "platform/system/own_program.h"
#include "platform/system/system_info.h"
#include "protect/windows/no_protection_dialog.h"
#include "purge/url_cache_purge.h"
#include "service/service_install.h"
#include "service/service_link.h"

#include <stdexcept>

namespace kp {

const char* usageText()
{
    return "Usage: klenpro [KEYWORD...]\n"
           "Cleans Internet Explorer's traces from the Windows machine in $WINEPREFIX (else ~/.wine).\n"
           "\n"
           "Without keywords the main window opens. Keywords (any letter case):\n"
           "  AUTO, BOOT, SHUT   unattended purge with that mode's options; the report is\n"
           "                     written to standard output and the exit status is the\n"
           "                     run's error level (0 clean, up to 9)\n"
           "  log                append each report to KLENZOR.LOG in the data folder\n"
           "  MULT               allow a second instance\n"
           "  LEVEL1..LEVEL9     show the window after an unattended run at this error level\n"
           "  ERROR1, ERROR5, ERROR9  preset the error level (testing)\n"
           "  IE4, IE5, IE6      declare the Internet Explorer version\n"
           "  data=NAME          keep the settings in the Application Data folder's NAME\n"
           "                     subfolder (default Klenzor); %klenzordat% names any folder\n"
           "  CDEXEC             run from read-only media: the settings are never written\n"
           "  SERVER             start from the Windows folder when choosing the data folder\n"
           "  ANYTEMP            accept temp folders whose name is not TEMP\n"
           "  INIT, UNINST       the installer's tasks\n"
           "\n"
           "Without a display messages go to standard error, answered with their default\n"
           "button. Make a sample machine with: kp-make-machine <folder>\n";
}

const char* versionText()
{
    return "Klenzor Pro Version - 2.03 Build 2.3.0.102\n";
}

namespace {

void bringToFront(QWidget& mainWindow)
{
    QWidget* target = QApplication::activeModalWidget();
    if (!target)
        target = &mainWindow;
    if (!target->isVisible())
        return;
    if (target->isMinimized())
        target->showNormal();
    target->raise();
    target->activateWindow();
}

// The installer's post-install tasks that this build can perform; a failed
// manifest copy ends them through the exception box.
void RunInstallTasks(win::Machine& machine, const FolderSet& folders, const ExceptionHandler& onException)
{
    const bool ntFamily = win::platformId(machine) >= win::platform_id::WIN32_NT;
    std::string executable;
    if (ntFamily && win::executablePath(machine, executable) == win::err::SUCCESS) {
        const bool done = deliverGuarded(
            [&] {
                if (std::optional<std::string> failure = RefreshManifest(machine, executable))
                    throw std::runtime_error(*failure);
                return true;
            },
            onException);
        if (!done)
            return;
    }
    RemoveStaleUninstallEntries(machine.registry(), folders.execFolder);
    RemoveDuplicateDesktopShortcut(machine);
}

} // namespace

int RunEntrySequence(const Keywords& keywords)
{
    DialogMessageService messages;
    const std::string prefix = win::Machine::defaultPrefixDir();

    SingleInstanceGuard guard(SingleInstanceGuard::serverNameFor(prefix));
    StartedProgram started = StartProgram(guard, prefix, keywords, messages);
    if (!started.state)
        return started.exitStatus;
    win::Machine& machine = *started.machine;
    AppState& state = *started.state;
    if (std::string executable; win::executablePath(machine, executable) == win::err::SUCCESS)
        ApplyVisualStyle(ReadThemeState(machine, executable));
    TSplash splash;
    if (state.mode.unattended() && state.display.SplashOpt != 1 && displayAvailable())
        splash.showNow();

    win::SessionWindows sessionWindows(machine.prefixDir());
    win::MachineWindowList browserWindows(sessionWindows, machine.prefixDir());
    state.windows = &browserWindows;
    UrlCacheServices urlCache(machine, browserWindows, messages, state.errors, state.run, state.general);
    urlCache.ie5OrLater = [&state] { return state.ie.ie5; };
    urlCache.askNoProtection = [] { return ShowNoProtection(); };

    TMainForm form(state, availablePurgeSteps(&urlCache));
    if (form.refusedToStart())
        return state.errors.ErrorLevel;
    const ExceptionHandler onException = [&form](const QString& message, quintptr address) {
        form.AppOnException(message, address);
    };
    GuardedApplication::setExceptionHandler(onException);
    const ScopeGuard handlerReset([] { GuardedApplication::setExceptionHandler({}); });
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, &form, [&form] { bringToFront(form); });

    if (state.mode.unattended()) {
        // Whatever happens after the run, the program then ends with its
        // error level: the installer's tasks below are not for it.
        deliverGuarded([&] { form.PurgeAllSBtnClick(); return true; }, onException);
        PrintReport(form.report());
        if (!ShouldShowMainWindow(state.display.MainWinOpt, state.errors)) {
            deliverGuarded([&] { form.ExitSBtnClick(); return true; }, onException);
            return state.errors.ErrorLevel;
        }
        splash.hide();
        if (displayAvailable()) {
            form.show();
            QApplication::exec();
        } else {
            SayMainWindowNotOpened();
        }
        return state.errors.ErrorLevel;
    }

    if (keywords.IsKeywordPresent("INIT")) {
        RunInstallTasks(machine, state.folders, onException);
        ServiceLink service(machine);
        InstallService(service, messages, state.folders.execFolder);
        return 0;
    }
    if (keywords.IsKeywordPresent("UNINST")) {
        DeleteAllUsersDataFiles(machine, "Klenzor", state.folders.dataFolder);
        ServiceLink service(machine);
        UninstallService(service, messages, state.folders.execFolder);
        return 0;
    }

    if (!displayAvailable()) {
        win::writeStandardError("Klenzor Pro: no display to show the main window on. Run an unattended purge "
                                "with AUTO, BOOT or SHUT, or see --help.\n");
        return 1;
    }
    form.show();
    QApplication::exec();
    return 0;
}

} // namespace kp
