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

// The machine and the program-wide state with its settings loaded; without
// them, the exit status the program ends with: 0 when another instance runs,
// 2 when there is no usable machine, 9 when the data files could not be
// taken along (the reason has been shown).
struct StartedProgram {
    std::unique_ptr<win::Machine> machine;
    std::unique_ptr<AppState> state; // goes before the machine it points to
    int exitStatus = 0;
};
// The first steps of both entries: the instance claimed with `guard`, the
// machine in `prefix` opened, the settings loaded.
StartedProgram StartProgram(SingleInstanceGuard& guard, const std::string& prefix, const Keywords& keywords,
                            MessageService& messages);

// The report on standard output, one line each.
void PrintReport(const PurgeReport& report);

// Says on standard error that the main window an unattended run would show
// cannot be opened without a display.
void SayMainWindowNotOpened();

} // namespace kp
