#pragma once
// What everyday Windows programs leave behind in a user's profile: the run
// and recent-document lists of Explorer, the common file dialogs' lists,
// the recent files of Media Player, Paint and WordPad, 7-Zip's histories,
// Notepad++'s recent files (its config.xml) and the key regedit last showed.
// Each program's settings that are not traces are written beside them, so
// that a cleaner that removes too much shows it.

#include "platform/win32.h"

#include <string>

namespace kp::win {
class Machine;
}

namespace kp::sample {

// Writes the traces into the current user's registry and `appData` (the
// Application Data folder, which must exist); the documents they name are
// in `documents`. The first failure's Win32 code.
kp::win::DWORD writeProgramTraces(kp::win::Machine& machine, const std::string& appData,
                                  const std::string& documents);

} // namespace kp::sample
