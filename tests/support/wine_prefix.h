#pragma once
// Prefixes made by real Wine (Debian's wine64), for interop tests. The
// first call on a machine runs wineboot once into a per-user cache folder;
// every call then copies that pristine prefix.

#include <string>
#include <vector>

namespace kp::test {

inline constexpr const char* kWineLoader = "/usr/lib/wine/wine64";
inline constexpr const char* kWineServer = "/usr/lib/wine/wineserver64";

// True when the Wine loader and server are installed.
bool wineAvailable();

// Makes `dir` (created when missing) a copy of a prefix made by
// `wineboot -i`, links kept. No Wine session of `dir` runs afterwards.
bool makeRealWinePrefix(const std::string& dir, std::string& error);

// Ends the prefix's Wine session (wineserver -k) and waits until the server
// has written the registry and exited (wineserver -w).
bool stopWineSession(const std::string& prefix);

// Runs `wineserver64 <option>` for `prefix` and waits for the command (a
// server started without -f goes to the background by itself). Returns the
// exit status, or -1 when it could not run.
int runWineServer(const std::string& prefix, const std::string& option);

// Runs `wine64 <args>` headless in `prefix`, its standard output in
// `output`. Returns the exit status, or -1 when it could not run.
int runWine(const std::string& prefix, const std::vector<std::string>& args, std::string& output);

// Runs the Windows program `program` with `args` in `prefix` and ends the
// session, so that its files can be read; returns the standard output.
std::string runWineProgram(const std::string& prefix, const std::string& program, std::vector<std::string> args);

// A running Wine session of `prefix` (a wineserver that waits for clients)
// for as long as the object lives; ended and its server folder removed after.
class WineSessionOf {
public:
    explicit WineSessionOf(std::string prefix);
    ~WineSessionOf();
    WineSessionOf(const WineSessionOf&) = delete;
    WineSessionOf& operator=(const WineSessionOf&) = delete;
    // True once the session was seen running.
    bool running() const { return running_; }

private:
    std::string prefix_;
    bool running_ = false;
};

// The lines of a program's output (CR LF or LF), each split at tabs.
std::vector<std::vector<std::string>> tabbedRows(const std::string& text);

} // namespace kp::test
