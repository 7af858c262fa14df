#pragma once
// The entry sequence of the program with windows: single-instance guard,
// the machine, the main window, then an unattended run, the installer's
// tasks or the interactive loop. An unattended run without a display is
// RunWindowless's; here, should Qt fall back to a platform without one, the
// window it would show is not opened.

namespace kp {

class Keywords;

// Runs on the process's QApplication. The process's exit status: the run's
// error level after an unattended run (shown or not, the program then
// ends), 2 when there is no usable Windows machine, 1 when an interactive start
// has no display to show its window on, else 0.
int RunEntrySequence(const Keywords& keywords);

// The texts of --help and --version.
const char* usageText();
const char* versionText();

} // namespace kp
