#pragma once
// What the main window does at its creation and its close, as plain
// functions, so that an unattended run without a display does exactly the
// same without a window.

#include "app/purge_driver.h"

#include <optional>
#include <string>

namespace kp {

namespace win {
class Machine;
}
struct AppState;
struct IeVersion;
class Keywords;
class LogFile;
class PurgeReport;

// The first part of the start: an empty report, the error level the
// keywords preset, the data folder (a failure throws std::runtime_error
// with its text), the main window's values from the settings file and the
// log's folder. Returns the stored placement text; nullopt without a
// machine.
std::optional<std::string> BeginMainWindowStart(AppState& state, PurgeReport& report, LogFile& log);

// Detects Internet Explorer. Below version 4 it shows why the program ends,
// raises the error level to 9 and returns false.
bool AcceptInternetExplorer(AppState& state);

// The steps without the Recycle Bin's when the machine's Shell32.dll does not
// export SHEmptyRecycleBinA (older systems); unchanged without a machine.
StepTable CheckRecycleBin(StepTable steps, win::Machine* machine);

// An option can be chosen: the program has its step (or can shred, for
// ShredFiles), and Internet Explorer 5 is there for the options that need it.
bool OptionAvailable(const PurgeOptionField& field, const StepTable& steps, const IeVersion& ie);

// What the option controls start with: the mode's option set from the
// settings file (the defaults without a machine) with every unavailable
// option off, and which Internet Explorer 5 boxes are enabled.
DriverInput StartingControls(AppState& state, const StepTable& steps);

// The last part of the start: the purge folders, the manifest note and, for
// a new version, its messages file in the report.
void FinishMainWindowStart(AppState& state, PurgeReport& report);

// The main window's values written at its close; nothing without a machine.
void SaveMainWindowValues(AppState& state, const std::string& placement);

// A run: the purge through `view`, then the report appended to the log.
// Nothing while a run is busy.
void RunAndLog(AppState& state, PurgeDriver& driver, DriverView& view, LogFile& log, bool preview);

// The Abort keyword tests the exception box: the Exit command throws.
void ExitCommandTest(const Keywords& keywords);

} // namespace kp
