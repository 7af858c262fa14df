#pragma once
// Whether a Wine session of a prefix is running: its wineserver holds a lock
// on the "lock" file of its server folder /tmp/.wine-<uid>/server-<dev>-<inode>
// (device and inode of the prefix folder).

#include <string>

namespace kp::win {

bool wineServerRunning(const std::string& prefixDir);

} // namespace kp::win
