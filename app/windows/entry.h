#pragma once
// The entry sequence: single-instance guard, the machine, the main window,
// then an unattended run, the installer's tasks or the interactive loop.

namespace kp {

class GuardedApplication;
class Keywords;

// The process's exit status: the run's error level after an unattended
// run, 2 when there is no usable Windows machine, 1 when an interactive
// start has no display to show its window on, else 0.
int RunEntrySequence(GuardedApplication& app, const Keywords& keywords);

// The texts of --help and --version.
const char* usageText();
const char* versionText();

} // namespace kp
