#include "purge/history_purge.h"

#include "core/caught_exception.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/qt_text.h"
#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/host/console.h"
#include "purge/file_delete.h"
#include "purge/index_file_clear.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"
#include "purge/url_cache_purge.h"
#include "settings/folder_set.h"

#include <QCoreApplication>

#include <vector>

namespace kp {

namespace {

constexpr const char* kCompletion = "  Purge \"History Folders\" Function Completed.";

void line(PurgeContext& context, const std::string& text) { context.report.AddReportLineQuiet(q(text)); }

struct Subfolder {
    std::string name; // upper-cased
    bool link = false;
};

std::vector<Subfolder> listSubfolders(PurgeContext& context, const std::string& folder)
{
    std::vector<Subfolder> out;
    win::FileSystem files(*context.machine);
    win::FindData data;
    win::FindHandle handle;
    for (win::DWORD e = files.findFirst(folder + "\\*.*", data, handle); e == win::err::SUCCESS;
         e = files.findNext(handle, data)) {
        if (context.run.CancelFlag) {
            line(context, "*** Cancelled by operator.");
            break;
        }
        if ((data.attributes & win::attr::DIRECTORY) && !data.fileName.empty() && data.fileName[0] != '.')
            out.push_back({win::upperAscii(data.fileName), (data.attributes & win::attr::REPARSE_POINT) != 0});
    }
    files.findClose(handle);
    return out;
}

// Deletes the folder's index file; one that stays is reported and emptied
// in place.
void processIndex(PurgeContext& context, UrlCacheServices& services, const std::string& name, const std::string& path,
                  bool allHist, bool sessionHolds, long long& processed)
{
    RunState& run = context.run;
    win::FileSystem files(*context.machine);
    const std::string index = path + "\\INDEX.DAT";
    if (!files.exists(index))
        return;
    ++processed;
    ++run.ProcessedCount;
    if (run.PreviewFlag) {
        if (run.detail && allHist)
            line(context, result::ToDelete + index);
        return;
    }
    bool deleted = false;
    if (sessionHolds)
        run.LastErrorCode = win::err::SHARING_VIOLATION; // mapped by the session's wininet
    else
        deleted = DeleteFileWithOptions(context, index, {});
    if (deleted) {
        if (run.detail && allHist)
            line(context, result::Deleted + index);
    } else if (allHist) {
        line(context, ItemErrorText(run.LastErrorCode, context.errors).substr(0, 17) + index);
        context.errors.ErrorFlag = true;
    }

    const std::string stays = path + "\\Index.Dat";
    if (!files.exists(stays))
        return;
    line(context, "       Index.dat is present  - " + name);
    const Keywords& keywords = context.keywords;
    if (keywords.IsKeywordPresent("NOCLEARD") || !(services.ie5OrLater() || keywords.IsKeywordPresent("CLEARD")))
        return;
    std::string status;
    if (ClearIndexFile(services.machine, services.browsers, keywords, stays, 'D', status))
        line(context, "       Cleared Daily History - " + name);
    else if (status.starts_with("Found"))
        line(context, "       " + status);
}

void removeFolder(PurgeContext& context, const std::string& path, bool allHist)
{
    RunState& run = context.run;
    if (run.PreviewFlag) {
        if (run.detail && allHist)
            line(context, result::ToDelete + path);
        return;
    }
    win::FileSystem files(*context.machine);
    const win::DWORD e = files.removeDirectory(path);
    run.LastErrorCode = e;
    if (e == win::err::SUCCESS) {
        if (run.detail && allHist)
            line(context, result::Deleted + path);
    } else if (allHist) {
        line(context, ItemErrorText(e, context.errors).substr(0, 17) + path);
        context.errors.ErrorFlag = true;
    }
}

} // namespace

bool ClearHistoryStore(UrlCacheServices& services)
{
    return services.cache.clearHistory() == win::err::SUCCESS;
}

void PurgeHistorySubfolders(PurgeContext& context, UrlCacheServices& services, const std::string& historyFolder)
{
    const bool allHist = context.keywords.IsKeywordPresent("AllHist");
    const bool sessionHolds = services.cache.wineSessionActive();
    long long processed = 0;
    win::FileSystem files(*context.machine);
    for (const Subfolder& sub : listSubfolders(context, historyFolder)) {
        const std::string path = historyFolder + "\\" + sub.name;
        if (!sub.link) {
            processIndex(context, services, sub.name, path, allHist, sessionHolds, processed);
            if (!context.run.PreviewFlag && files.exists(path + "\\Index.Dat")) {
                QCoreApplication::processEvents();
                continue;
            }
        }
        removeFolder(context, path, allHist);
        QCoreApplication::processEvents();
    }
    if (!allHist)
        return;
    if (processed >= 1)
        line(context, std::string(kCompletion) + " " + std::to_string(processed) + " History Folders Processed.");
    else
        line(context, "    No History Folders found to delete.");
}

void PurgeHistoryFolders(PurgeContext& context, UrlCacheServices& services, const HistoryClearing& clearing)
{
    try {
        line(context, "History Folders:");
        if (context.run.PreviewFlag) {
            line(context, "  Purge \"History Folders\" Function bypassed for Preview.");
            return;
        }
        if (!clearing.ClearHistoryStore() && !clearing.DriveInternetOptionsClearHistory()) {
            line(context, " -Error- History Folders:  the history store could not be cleared");
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(3);
        }
        if (context.folders.historyFound)
            PurgeHistorySubfolders(context, services, context.folders.historyFolder);
        line(context, kCompletion);
    } catch (...) {
        line(context, "*** Error in above Function.");
        context.errors.RaiseErrorLevel(9);
        win::writeStandardError("Klenzor Pro: History Folders purge failed: " + caughtExceptionText() + "\n");
    }
}

} // namespace kp
