#include "app/windowless_run.h"

#include "app/app_state.h"
#include "app/guarded_call.h"
#include "app/main_window_start.h"
#include "app/program_start.h"
#include "app/show_decision.h"
#include "app/shutdown_windows.h"
#include "app/single_instance.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "platform/system/browser_windows.h"
#include "protect/no_protection.h"
#include "purge/log_file.h"
#include "purge/purge_report.h"
#include "purge/url_cache_purge.h"

namespace kp {

WindowlessMainForm::WindowlessMainForm(AppState& state, StepTable steps)
    : state_(state)
    , report_(std::make_unique<PurgeReport>(state.errors, state.messages))
    , log_(std::make_unique<LogFile>(state.machine, state.keywords.IsKeywordPresent("log")))
    , driver_(std::make_unique<PurgeDriver>(PurgeContext{*report_, state.run, state.errors, state.keywords,
                                                         state.folders, state.general, state.messages, state.machine},
                                            CheckRecycleBin(std::move(steps), state.machine)))
{
    placement_ = BeginMainWindowStart(state_, *report_, *log_);
    if (!AcceptInternetExplorer(state_))
        return;
    view_ = std::make_unique<WindowlessView>(StartingControls(state_, driver_->steps()));
    FinishMainWindowStart(state_, *report_);
}

WindowlessMainForm::~WindowlessMainForm() = default;

void WindowlessMainForm::purge()
{
    RunAndLog(state_, *driver_, *view_, *log_, false);
}

void WindowlessMainForm::exit()
{
    ExitCommandTest(state_.keywords);
    if (!state_.run.BusyFlag)
        close();
}

void WindowlessMainForm::onException(const QString& message, quintptr address)
{
    ShowProgramError(state_.messages, message, address);
    state_.run.BusyFlag = false;
    close();
}

void WindowlessMainForm::close()
{
    if (placement_)
        SaveMainWindowValues(state_, *placement_);
    if (state_.mode.Shut)
        ShutdownWindows(state_);
}

int RunWindowless(const Keywords& keywords)
{
    ConsoleMessageService messages;
    const std::string prefix = win::Machine::defaultPrefixDir();
    SingleInstanceGuard guard(SingleInstanceGuard::serverNameFor(prefix));
    StartedProgram started = StartProgram(guard, prefix, keywords, messages);
    if (!started.state)
        return started.exitStatus;
    win::Machine& machine = *started.machine;
    AppState& state = *started.state;
    win::SessionWindows sessionWindows(machine.prefixDir());
    win::MachineWindowList browserWindows(sessionWindows, machine.prefixDir());
    UrlCacheServices urlCache(machine, browserWindows, messages, state.errors, state.run, state.general);
    urlCache.ie5OrLater = [&state] { return state.ie.ie5; };
    urlCache.askNoProtection = AnswerNoProtectionOnConsole;

    WindowlessMainForm form(state, availablePurgeSteps(&urlCache));
    if (form.refusedToStart())
        return state.errors.ErrorLevel;
    const ExceptionHandler onException = [&form](const QString& message, quintptr address) {
        form.onException(message, address);
    };
    deliverGuarded([&] { form.purge(); return true; }, onException);
    PrintReport(form.report());
    if (!ShouldShowMainWindow(state.display.MainWinOpt, state.errors)) {
        deliverGuarded([&] { form.exit(); return true; }, onException);
        return state.errors.ErrorLevel;
    }
    SayMainWindowNotOpened();
    return state.errors.ErrorLevel;
}

} // namespace kp
