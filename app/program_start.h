#pragma once
// The steps of the entry sequence that the program with windows and an
// unattended run without a display share.

#include <memory>
#include <string>

namespace kp {

namespace win {
class Machine;
}
struct AppState;
class Keywords;
class MessageService;
class PurgeReport;
class SingleInstanceGuard;

// True when this process goes on: it is the first instance, or MULT allows
// a second one. Otherwise the first instance is asked to come forward.
bool TakeInstance(SingleInstanceGuard& guard, const Keywords& keywords);

// The Windows machine in `prefix`; null, with the reason shown, when there
// is none or it cannot be used (its registry or drive C: is unusable).
std::unique_ptr<win::Machine> OpenWindowsMachine(const std::string& prefix, MessageService& messages);

// The program's folders and the display options of the run's mode, before
// the splash decision. False when the data files could not be taken along
// to the data folder (the failure has been shown).
bool LoadStartupSettings(AppState& state);

// The report on standard output, one line each.
void PrintReport(const PurgeReport& report);

// Says on standard error that the main window an unattended run would show
// cannot be opened without a display.
void SayMainWindowNotOpened();

} // namespace kp
