#pragma once
// The start-up entry: the value "Klenzor" under HKCU
// Software\Microsoft\Windows\CurrentVersion\Run that starts the program with
// BOOT at log-on.

#include "platform/win32.h"

#include <string>

namespace kp {

namespace win {
class Machine;
}

// The key can be read and holds the value as a string (REG_SZ or
// REG_EXPAND_SZ) that ends in ".EXE BOOT" or "EXE\" BOOT", or that is
// exactly the data StartupEntryData gives for `executable` (a program whose
// file name has no ".EXE").
bool StartupEntryPresent(win::Machine& machine, const std::string& executable);

// Upper-cased: a quote, the executable's short path, a quote, " Boot"
// (the quotes enclose nothing when the short path is not available).
std::string StartupEntryData(win::Machine& machine, const std::string& executable);

// Write creates the key when missing; remove deletes the value (a missing
// value is no failure). The Win32 code of a key that cannot be opened for
// writing or a value that cannot be written.
[[nodiscard]] win::DWORD WriteStartupEntry(win::Machine& machine, const std::string& executable);
[[nodiscard]] win::DWORD RemoveStartupEntry(win::Machine& machine);

} // namespace kp
