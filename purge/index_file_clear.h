#pragma once
// Empties a browser index file (index.dat) in place: every hash slot in use
// becomes deleted, every record block is filled as free, and for the
// visited-URL and daily history indexes ("V", "D") the header's counts and
// the allocation bitmap are reset so that only the hash tables stay
// allocated. Refused while a browser window is open (unless NOIE) or while
// the machine's Wine session runs, which keeps the file mapped.

#include <string>

namespace kp {

namespace win {
class Machine;
}
class BrowserWindows;
class Keywords;

// `status` starts with "Found" when an open browser or session refused it.
bool ClearIndexFile(win::Machine& machine, const BrowserWindows& browsers, const Keywords& keywords,
                    const std::string& path, char type, std::string& status);

} // namespace kp
