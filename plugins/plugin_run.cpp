#include "plugins/plugin_run.h"

#include "core/keywords.h"
#include "platform/files/win_path.h"
#include "plugins/machine_macros.h"
#include "plugins/plugin_expand.h"
#include "plugins/plugin_interpreter.h"
#include "plugins/text_lines.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"

namespace kp {

namespace {

// Expansion where there is no machine: the line as it is.
class NoMacros : public PluginMacros {
public:
    std::optional<std::string> computerName() override { return std::nullopt; }
    std::optional<std::string> userName() override { return std::nullopt; }
    std::optional<std::string> shellFolder(int) override { return std::nullopt; }
    std::optional<std::string> registryString(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::string expandEnvironment(const std::string& text) override { return text; }
};

void addField(PluginInterpreter& run, const char* label, const std::string& value)
{
    if (!value.empty())
        run.add(std::string(label) + value + "<<");
}

void addDebugListing(PluginInterpreter& run, const PluginCommand& c)
{
    run.add(std::string(" debug - FoldOrReg = ") + c.FoldOrReg);
    if (c.FoldOrReg == 'F') {
        addField(run, " debug - FoldVerb =   >>", c.FoldVerb);
        addField(run, " debug - FoldDrive =  >>", c.FoldDrive);
        addField(run, " debug - FoldFolder = >>", c.FoldFolder);
        addField(run, " debug - FoldFile =   >>", c.FoldFile);
        addField(run, " debug - FoldString = >>", c.FoldString);
        addField(run, " debug - FoldFilter = >>", c.FoldFilter);
        addField(run, " debug - FoldType =   >>", c.FoldType);
    } else if (c.FoldOrReg == 'R') {
        addField(run, " debug - RegVerb =   >>", c.RegVerb);
        addField(run, " debug - RegRoot =   >>", c.RegRoot);
        addField(run, " debug - RegKey =    >>", c.RegKey);
        addField(run, " debug - RegValue =  >>", c.RegValue);
        addField(run, " debug - RegString = >>", c.RegString);
        run.add(std::string(" debug - RegType =   >>") + c.RegType + "<<");
    }
}

void carryOut(PluginInterpreter& run, const PluginCommand& c)
{
    if (c.FoldOrReg == 'R')
        run.runRegistryCommand(c);
    else if (c.FoldVerb == "DELFILE")
        run.deleteFile(c);
    else if (c.FoldVerb == "DELTEXT")
        run.deleteText(c);
    else if (c.FoldVerb == "DELEXML")
        run.deleteXmlElements(c);
    else if (c.FoldVerb == "DELFOLD")
        run.deleteFolderContents(c);
    else if (c.FoldVerb == "EXECUTE")
        run.execute(c);
}

} // namespace

bool PluginInterpreter::cancelled() const
{
    return context_.run.CancelFlag;
}

void PluginInterpreter::add(const std::string& line)
{
    if (plugin_.output)
        plugin_.output(QString::fromStdString(line));
}

void PluginInterpreter::addDetail(const std::string& line)
{
    if (plugin_.detail)
        add(line);
}

void PluginInterpreter::addCancelLine()
{
    context_.report.AddReportLine(QStringLiteral("*** Cancelled by operator."));
}

void PluginInterpreter::count()
{
    ++plugin_.PluginEntryCount;
    ++context_.run.ProcessedCount;
}

void RunPluginLines(PurgeContext& context, PluginRunContext& plugin)
{
    const bool debug = context.keywords.IsKeywordPresent("debug");
    if (plugin.test)
        plugin.PluginEntryCount = 0;
    PluginInterpreter run(context, plugin);
    NoMacros noMacros;
    std::optional<MachineMacros> machineMacros;
    if (context.machine)
        machineMacros.emplace(*context.machine);
    PluginMacros& macros = machineMacros ? static_cast<PluginMacros&>(*machineMacros) : noMacros;

    for (const std::string& line : plugin.lines) {
        if (run.cancelled()) {
            run.addCancelLine();
            break;
        }
        const std::string upper = win::upperAscii(line);
        const std::string expanded = ExpandPluginLine(upper, macros);
        const PluginCommand command = ParsePluginLine(expanded);
        if (command.FoldOrReg == 'T') {
            if (plugin.detail || plugin.test)
                run.add("* " + upper);
        } else {
            run.add(upper);
            if (expanded != upper) {
                run.add("      The above command expands to:");
                run.add(expanded);
            }
        }
        if (debug)
            addDebugListing(run, command);
        carryOut(run, command);
    }

    if (plugin.test) {
        if (plugin.PluginEntryCount == 1)
            run.add("    1 - Entry processed for this Plugin");
        else
            run.add("   " + std::to_string(plugin.PluginEntryCount) + " - Entries processed for this Plugin");
        run.add(" ");
    }
}

bool loadPluginFile(PurgeContext& context, const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    return context.machine && readTextLines(*context.machine, path, lines) == win::err::SUCCESS;
}

} // namespace kp
