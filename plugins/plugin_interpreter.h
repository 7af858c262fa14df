#pragma once
// What the commands of one plugin run share: the run's context, the output
// and the counters. Each command's file carries out its keywords.

#include "plugins/plugin_command.h"
#include "plugins/plugin_run.h"

#include <string>

namespace kp {

struct PurgeContext;

class PluginInterpreter {
public:
    PluginInterpreter(PurgeContext& context, PluginRunContext& plugin)
        : context_(context)
        , plugin_(plugin)
    {
    }

    PurgeContext& context() { return context_; }
    bool preview() const { return plugin_.noDelete; }
    bool detail() const { return plugin_.detail; }
    int executeWaitMilliseconds() const { return plugin_.executeWaitMilliseconds; }
    bool cancelled() const;

    void add(const std::string& line);
    // Adds the line only with a detail report.
    void addDetail(const std::string& line);
    // The cancel line, to the report list whatever the output list is.
    void addCancelLine();
    // One acting item: the plugin's entry count and the run's processed count.
    void count();

    void deleteFile(const PluginCommand& command);
    void deleteText(const PluginCommand& command);
    void deleteXmlElements(const PluginCommand& command);
    void deleteFolderContents(const PluginCommand& command);
    void execute(const PluginCommand& command);
    void runRegistryCommand(const PluginCommand& command);

private:
    // A file or folder deletion's result line; `shortName` is the 8.3 name
    // to fall back on.
    void deleteOneFile(const std::string& path, const std::string& shortName);
    void walkFolder(const std::string& folder, const std::string& mask, const std::string& option);

    PurgeContext& context_;
    PluginRunContext& plugin_;
};

} // namespace kp
