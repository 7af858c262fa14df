#pragma once
// Everything of a machine that a purge could change, by name, to compare a
// machine before and after: each registry key and value (type and data) of
// HKCU and HKLM, and each folder and file (content) of drive C.

#include <map>
#include <set>
#include <string>

namespace kp::win {
class Machine;
}

namespace kp::test {

// Keys as "HKCU\path\", values as "HKCU\path[name]", files and folders by
// their Windows path "C:\...".
using MachineSnapshot = std::map<std::string, std::string>;

MachineSnapshot snapshotMachine(kp::win::Machine& machine, const std::string& prefixDir);

// What changed, each name marked "-" removed, "+" added or "~" changed.
std::set<std::string> snapshotChanges(const MachineSnapshot& before, const MachineSnapshot& after);

} // namespace kp::test
