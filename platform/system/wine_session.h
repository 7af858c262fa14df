#pragma once
// A running Wine session of a prefix, found as Wine itself finds it. The
// wineserver of a prefix works in a folder named after the device and inode
// of the prefix folder (in hex), "server-<dev>-<inode>", holding its "socket"
// and a write lock on the first byte of its "lock" file for as long as it
// lives. Upstream Wine keeps that folder in /tmp/.wine-<uid>/; Debian's Wine
// makes a private folder "$TMPDIR/wine-XXXXXX" (else /tmp) and writes its
// name into the prefix's "wineserver" file. Both are looked at.
// While a session runs, Wine keeps the registry in memory and will write it
// back over any change made to the files.

#include <string>
#include <vector>

namespace kp::win {

struct WineSession {
    bool running = false;
    long serverPid = 0;      // the wineserver holding the lock (0 when unknown)
    std::string serverDir;   // where the server works (or would work)
};

// The folders a server of the prefix in `prefixDir` may work in, most
// likely first (none when the prefix folder cannot be read).
std::vector<std::string> wineServerDirs(const std::string& prefixDir);

// Whether a wineserver serves the prefix now. On a file system without
// working locks, Wine's own fallback is taken: the socket's existence.
WineSession detectWineSession(const std::string& prefixDir);

} // namespace kp::win
