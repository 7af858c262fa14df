#include "app/purge_steps.h"

#include "platform/machine.h"
#include "platform/system/session_windows.h"
#include "plugins/plugin_run.h"
#include "purge/folder_tree_purge.h"
#include "purge/history_purge.h"
#include "purge/internet_options_clear.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "purge/stray_purge.h"
#include "purge/system_purges.h"
#include "purge/typed_urls_purge.h"
#include "purge/url_cache_purge.h"
#include "service/service_link.h"
#include "settings/folder_set.h"

namespace kp {

namespace {

// The plugin step over the selection loaded at start-up and the interpreter,
// writing to the report.
PluginStepServices pluginInterpreter(PurgeContext& context)
{
    PluginStepServices plugins;
    plugins.selection = [&context] { return context.folders.pluginSelection; };
    plugins.loadLines = [&context](const std::string& path) {
        std::vector<std::string> lines;
        loadPluginFile(context, path, lines);
        return lines;
    };
    plugins.run = [](PurgeContext& c, const std::vector<std::string>& lines, long long& entryCount) {
        PluginRunContext plugin;
        plugin.lines = lines;
        plugin.output = [&c](const QString& line) { c.report.AddReportLine(line); };
        plugin.detail = c.run.detail;
        plugin.noDelete = c.run.PreviewFlag;
        plugin.PluginEntryCount = entryCount;
        RunPluginLines(c, plugin);
        entryCount = plugin.PluginEntryCount;
    };
    return plugins;
}

} // namespace

StepTable availablePurgeSteps(UrlCacheServices* urlCache)
{
    // Steps join this table as their purge functions are built.
    StepTable steps;
    steps.shredding = true; // the steps shred the files they delete when the run says so
    if (urlCache) {
        steps[PurgeStep::Cache] = [urlCache](PurgeContext& c) { PurgeUrlCache(c, *urlCache, 'X'); };
        steps[PurgeStep::Cookies] = [urlCache](PurgeContext& c) { PurgeUrlCache(c, *urlCache, 'C'); };
        steps[PurgeStep::Visited] = [urlCache](PurgeContext& c) { PurgeUrlCache(c, *urlCache, 'V'); };
        steps[PurgeStep::Strays] = [urlCache](PurgeContext& c) { PurgeStrays(c, *urlCache); };
        steps[PurgeStep::History] = [urlCache](PurgeContext& c) {
            HistoryClearing clearing;
            clearing.ClearHistoryStore = [urlCache] { return ClearHistoryStore(*urlCache); };
            clearing.DriveInternetOptionsClearHistory = [&c] {
                win::SessionWindows windows(c.machine->prefixDir());
                const InternetOptionsControl control {
                    windows, [&c] { return startInternetOptionsDialog(c); }, pauseLettingMessagesRun};
                return DriveInternetOptionsClearHistory(c, control);
            };
            PurgeHistoryFolders(c, *urlCache, clearing);
        };
    }
    steps[PurgeStep::TypedUrls] = PurgeTypedUrls;
    steps[PurgeStep::Recent] = PurgeRecentLinks;
    steps[PurgeStep::Temp] = PurgeTempFolders;
    steps[PurgeStep::AutoComplete] = [](PurgeContext& c) {
        ServiceLink service(*c.machine);
        PurgeAutoCompleteForms(c, service);
    };
    steps[PurgeStep::PreviousSearches] = [](PurgeContext& c) {
        ServiceLink service(*c.machine);
        PurgePreviousSearches(c, service);
    };
    steps[PurgeStep::UserData] = [](PurgeContext& c) { UserDataStep(c, PurgeFolderTree); };
    steps[PurgeStep::Recycle] = PurgeRecycleBin;
    steps[PurgeStep::Plugins] = [](PurgeContext& c) { PluginStep(c, pluginInterpreter(c)); };
    steps[PurgeStep::Clipboard] = PurgeClipBoard;
    return steps;
}

std::string processingText(PurgeStep step, const std::string& suffix)
{
    switch (step) {
    case PurgeStep::Cache: return "  Processing \"Cache\"" + suffix;
    case PurgeStep::Cookies: return "  Processing \"Cookies\"" + suffix;
    case PurgeStep::Visited: return "  Processing \"Visited URLs\"";
    case PurgeStep::TypedUrls: return "  Processing \"Typed URLs\"";
    case PurgeStep::Recent: return "  Processing \"Recent LNKs\"" + suffix;
    case PurgeStep::Strays: return "  Processing \"Strays\"" + suffix;
    case PurgeStep::Temp: return "  Processing \"Temp Folders\"" + suffix;
    case PurgeStep::AutoComplete: return "  Processing \"Clear AutoComplete Forms\"";
    case PurgeStep::PreviousSearches: return "  Processing \"Clear Previous Searches\"";
    case PurgeStep::History: return "  Processing \"History Folders\"" + suffix;
    case PurgeStep::UserData: return "  Processing \"Userdata\"" + suffix;
    case PurgeStep::Recycle: return "  Processing \"Recycle Bin\"";
    case PurgeStep::Plugins: return "  Processing \"Plugins\"";
    case PurgeStep::Clipboard: return "  Clearing Windows ClipBoard";
    }
    return {};
}

std::string shredSuffix(bool previewFlag, bool previewButton, bool shredTicked,
                        const std::string& thoroughness, int repeats)
{
    if (previewFlag || previewButton || !shredTicked)
        return {};
    if (thoroughness != "0")
        return " with " + std::to_string(repeats) + " Shred Operations";
    return " with Quick Shred";
}

void UserDataStep(PurgeContext& context, const FolderTreePurge& purgeFolderTree)
{
    PurgeReport& report = context.report;
    report.AddReportLine(QStringLiteral("UserData:"));
    long long counter = 0;
    if (!report.ListingStopped() && context.folders.userDataFound && !context.folders.userDataFolder.empty())
        purgeFolderTree(context, context.folders.userDataFolder, "*.*", counter);
    if (counter >= 1) {
        report.AddReportLine(QStringLiteral("  Purge \"UserData\" Function Completed. ") + QString::number(counter)
                             + QStringLiteral(" UserData Files/Directories Processed."));
    } else {
        report.AddReportLine(QStringLiteral("    No UserData Files/Directories found to delete."));
        report.AddReportLine(QStringLiteral("  Purge \"UserData\" Function Completed."));
    }
}

void PluginStep(PurgeContext& context, const PluginStepServices& plugins)
{
    PurgeReport& report = context.report;
    report.AddReportLine(QStringLiteral("Run Plugins:"));
    const std::vector<std::string> names = plugins.selection();
    if (names.empty()) {
        report.AddReportLine(QStringLiteral("    No Plugins are selected."));
        return;
    }
    long long entryCount = 0;
    bool first = true;
    for (const std::string& name : names) {
        if (context.run.CancelFlag) {
            report.AddReportLine(QStringLiteral("*** Cancelled by operator."));
            break;
        }
        const std::vector<std::string> lines = plugins.loadLines(context.folders.pluginsFolder + "\\" + name);
        if (!first)
            report.AddReportLine(QStringLiteral(" "));
        first = false;
        report.AddReportLine(QStringLiteral("Process Plugin - ") + QString::fromStdString(name));
        plugins.run(context, lines, entryCount);
    }
    if (entryCount == 1)
        report.AddReportLine(QStringLiteral("  Run Plugins Function Completed.  1 - Entry processed."));
    else
        report.AddReportLine(QStringLiteral("  Run Plugins Function Completed.  ") + QString::number(entryCount)
                             + QStringLiteral(" - Entries processed."));
}

} // namespace kp
