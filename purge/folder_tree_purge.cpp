#include "purge/folder_tree_purge.h"

#include "core/error_level.h"
#include "platform/files/file_system.h"
#include "platform/files/folder_confinement.h"
#include "platform/files/folder_search.h"
#include "platform/files/win_path.h"
#include "purge/event_pacer.h"
#include "purge/file_delete.h"
#include "purge/guarded_purge.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"

#include <vector>

namespace kp {

namespace {

struct ListedFile {
    std::string name;
    std::string shortName;
};

struct ListedFolder {
    std::string name;
    bool link = false; // a link to a folder: removed as a link, never entered
};

struct Listing {
    std::vector<ListedFile> files;
    std::vector<ListedFolder> folders;
};

QString text(const std::string& line) { return QString::fromStdString(line); }

void cancelled(PurgeReport& report) { report.AddReportLine(QStringLiteral("*** Cancelled by operator.")); }

// Lists `pattern`; with `withFolders` false subfolders are left out. Stops at
// the CancelFlag, writing the cancel line.
Listing listFolder(PurgeContext& context, win::FileSystem& files, EventPacer& events, const std::string& pattern,
                   bool withFolders)
{
    Listing listing;
    for (const win::FindData& found : win::FolderSearch(files, pattern)) {
        if (context.run.CancelFlag) {
            cancelled(context.report);
            break;
        }
        const bool folder = found.attributes & win::attr::DIRECTORY;
        const bool link = found.attributes & win::attr::REPARSE_POINT;
        if (!folder)
            listing.files.push_back({found.fileName, found.alternateFileName});
        else if (withFolders && !found.fileName.empty() && found.fileName[0] != '.')
            listing.folders.push_back({found.fileName, link});
        events.poll();
    }
    return listing;
}

void countItem(PurgeContext& context, long long& counter)
{
    ++counter;
    ++context.run.ProcessedCount;
}

void reportRemoval(PurgeContext& context, const std::string& path, win::DWORD error)
{
    if (error != win::err::SUCCESS)
        context.report.AddReportLine(text(FolderErrorText(error, context.errors).substr(0, 17) + path));
    else if (context.run.detail)
        context.report.AddReportLine(text(result::Deleted + path));
}

// Removes a subfolder (emptied) or a link to a folder; in a preview only lists it.
void removeFolder(PurgeContext& context, win::FileSystem& files, const std::string& path)
{
    if (context.run.PreviewFlag) {
        if (context.run.detail)
            context.report.AddReportLine(text(result::ToDelete + path));
        return;
    }
    reportRemoval(context, path, files.removeDirectory(path));
}

bool isLinkExtension(const std::string& name)
{
    return name.size() >= 4 && win::equalNoCase(std::string_view(name).substr(name.size() - 4), ".LNK");
}

void purgeTree(PurgeContext& context, win::FileSystem& files, EventPacer& events, const std::string& folder,
               const std::string& mask, long long& counter)
{
    RunState& run = context.run;
    const Listing listing = listFolder(context, files, events, folder + "\\" + mask, true);

    for (const ListedFile& file : listing.files) {
        countItem(context, counter);
        if (run.CancelFlag)
            return;
        const std::string path = folder + "\\" + win::upperAscii(file.name);
        if (run.PreviewFlag) {
            if (run.detail)
                context.report.AddReportLine(text(result::ToDelete + path));
        } else {
            DeleteFileWithOptions(context, path, file.shortName);
            reportRemoval(context, path, run.LastErrorCode);
        }
        events.poll();
    }
    for (const ListedFolder& sub : listing.folders) {
        const std::string path = folder + "\\" + sub.name;
        // A folder swapped for a link since the listing is not entered either.
        bool inside = false;
        if (!sub.link && win::pathInsideFolder(*context.machine, folder, path, inside) == win::err::SUCCESS && inside)
            purgeTree(context, files, events, path, mask, counter);
        countItem(context, counter);
        if (run.CancelFlag)
            return;
        removeFolder(context, files, folder + "\\" + win::upperAscii(sub.name));
    }
}

} // namespace

void PurgeFolderTree(PurgeContext& context, const std::string& folder, const std::string& mask, long long& counter)
{
    win::FileSystem files(*context.machine);
    EventPacer events;
    purgeTree(context, files, events, folder, mask, counter);
}

void PurgeTempFolders(PurgeContext& context)
{
    PurgeReport& report = context.report;
    guardedPurge(context, "Temp Folders", [&] {
        report.AddReportLine(QStringLiteral("Temp Folders:"));
        if (context.folders.purgeTemp.empty()) {
            report.AddReportLine(QStringLiteral(" -Error- Temp Folder: not processed - folder could not be located"));
            report.AddReportLine(QStringLiteral("         Please verify your Temp Folders configuration:"));
            report.AddReportLine(QStringLiteral("         Click 'Configue' and select the 'Temp Folders' Tab."));
            report.AddReportLine(QStringLiteral("         or remove checkmark from 'Temp Folders' option."));
            context.errors.RaiseErrorLevel(3);
            return;
        }
        long long counter = 0;
        for (const TempEntry& temp : context.folders.purgeTemp) {
            if (report.ListingStopped())
                break;
            PurgeFolderTree(context, temp.path, "*.*", counter);
        }
        if (counter >= 1) {
            report.AddReportLine(QStringLiteral("  Purge \"Temp Folders\" Function Completed. ") + QString::number(counter)
                                 + QStringLiteral(" Files/Directories Processed."));
        } else {
            report.AddReportLine(QStringLiteral("    No Files/Directories found to delete."));
            report.AddReportLine(QStringLiteral("  Purge \"Temp Folders\" Function Completed."));
        }
    });
}

void PurgeRecentLinks(PurgeContext& context)
{
    PurgeReport& report = context.report;
    RunState& run = context.run;
    guardedPurge(context, "Recent LNKs", [&] {
        if (!context.folders.recentFound) {
            report.AddReportLine(QStringLiteral(" -Error- Recent LNKs:  not processed as folder could not be located"));
            context.errors.RaiseErrorLevel(3);
            return;
        }
        report.AddReportLine(QStringLiteral("Recent LNKs:"));
        win::FileSystem files(*context.machine);
        const std::string folder = win::upperAscii(context.folders.recentFolder);
        EventPacer events;
        const Listing listing = listFolder(context, files, events, folder + "\\*.*", false);
        long long counter = 0;
        for (const ListedFile& file : listing.files) {
            if (!isLinkExtension(file.name))
                continue;
            countItem(context, counter);
            const std::string path = folder + "\\" + win::upperAscii(file.name);
            if (run.PreviewFlag) {
                if (run.detail)
                    report.AddReportLine(text(result::ToDelete + path));
            } else if (!DeleteFileWithOptions(context, path, file.shortName)) {
                report.AddReportLine(text(ItemErrorText(run.LastErrorCode, context.errors).substr(0, 17) + path));
                context.errors.ErrorFlag = true;
            } else if (run.detail) {
                report.AddReportLine(text(result::Deleted + path));
            }
            events.poll();
        }
        if (counter >= 1) {
            report.AddReportLine(QStringLiteral("  Purge \"Recent LNKs\" Function Completed. ") + QString::number(counter)
                                 + QStringLiteral(" Links Processed."));
        } else {
            report.AddReportLine(QStringLiteral("    No Links found to delete."));
            report.AddReportLine(QStringLiteral("  Purge \"Recent LNKs\" Function Completed."));
        }
    });
}

} // namespace kp
