#pragma once
// The plugin interpreter: expands, parses, echoes and carries out the lines
// of one plugin. Inside a purge run it writes to the report; in the test
// window it previews with full detail into the window's own list.

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace kp {

struct PurgeContext;

// How long EXECUTE waits for its program before it goes on with the next
// line (the program is left running and its line says so).
inline constexpr int ExecuteWaitMilliseconds = 120'000;

struct PluginRunContext {
    std::vector<std::string> lines;            // the plugin's lines
    std::function<void(const QString&)> output; // the output list
    bool detail = false;                       // successful items are listed too
    bool noDelete = false;                     // a preview: nothing changes
    bool test = false;                         // the test window: counts per plugin and an end line
    long long PluginEntryCount = 0;            // the caller clears it; a test run clears it itself
    int executeWaitMilliseconds = ExecuteWaitMilliseconds;
};

// Files are deleted through the purge's deletion (shredded when the run
// shreds); CancelFlag, ProcessedCount, the error level and the "debug"
// keyword come from `context`, whose report receives the cancel line.
void RunPluginLines(PurgeContext& context, PluginRunContext& plugin);

// A plugin file as lines (CR LF, a lone CR or LF ends a line); false when it
// cannot be read.
bool loadPluginFile(PurgeContext& context, const std::string& path, std::vector<std::string>& lines);

} // namespace kp
