// EXECUTE: starts the program and waits for it, up to the interpreter's
// time limit.

#include "platform/system/program_run.h"
#include "plugins/plugin_interpreter.h"
#include "plugins/plugin_labels.h"
#include "purge/purge_context.h"

namespace kp {

void PluginInterpreter::execute(const PluginCommand& command)
{
    const std::string path = commandFilePath(command);
    count();
    if (preview()) {
        add(plugin_label::ToExecute + path);
        return;
    }
    win::ProgramRun outcome;
    if (!context().machine || win::runProgram(*context().machine, path, executeWaitMilliseconds(), outcome)
        || !outcome.started) {
        add(plugin_label::ExecFailed + path);
        return;
    }
    if (outcome.ended)
        add(plugin_label::Executed + path);
    else
        add(plugin_label::Executed + path + "  (still running after " + std::to_string(executeWaitMilliseconds() / 1000)
            + " s, no longer waited for)");
}

} // namespace kp
