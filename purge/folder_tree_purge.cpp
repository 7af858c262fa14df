#include "purge/folder_tree_purge.h"

#include "core/error_level.h"
#include "platform/files/open_folder.h"
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

using Entry = win::OpenFolder::Entry;

struct Listing {
    std::vector<Entry> files; // links to anything but a folder among them
    std::vector<Entry> folders; // links to folders among them: removed as links, never entered
};

QString text(const std::string& line) { return QString::fromStdString(line); }

void cancelled(PurgeReport& report) { report.AddReportLine(QStringLiteral("*** Cancelled by operator.")); }

// Lists `mask` in `folder`; with `withFolders` false subfolders are left
// out, as are those whose name begins with a dot. Stops at the CancelFlag,
// writing the cancel line.
Listing listFolder(PurgeContext& context, win::OpenFolder& folder, EventPacer& events, std::string_view mask,
                   bool withFolders)
{
    Listing listing;
    std::vector<Entry> entries;
    static_cast<void>(folder.list(mask, entries)); // a folder that cannot be read lists nothing
    for (Entry& entry : entries) {
        if (context.run.CancelFlag) {
            cancelled(context.report);
            break;
        }
        if (!entry.folder)
            listing.files.push_back(std::move(entry));
        else if (withFolders && entry.name[0] != '.')
            listing.folders.push_back(std::move(entry));
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

// Removes an emptied subfolder or a link to a folder; in a preview only lists it.
void removeFolder(PurgeContext& context, win::OpenFolder& folder, const std::string& name, const std::string& path)
{
    if (context.run.PreviewFlag) {
        if (context.run.detail)
            context.report.AddReportLine(text(result::ToDelete + path));
        return;
    }
    reportRemoval(context, path, folder.removeDirectory(name));
}

bool isLinkExtension(const std::string& name)
{
    return name.size() >= 4 && win::equalNoCase(std::string_view(name).substr(name.size() - 4), ".LNK");
}

// `folder` is open at the Windows path `path`.
void purgeTree(PurgeContext& context, win::OpenFolder& folder, EventPacer& events, const std::string& path,
               const std::string& mask, long long& counter)
{
    RunState& run = context.run;
    const Listing listing = listFolder(context, folder, events, mask, true);

    for (const Entry& file : listing.files) {
        countItem(context, counter);
        if (run.CancelFlag)
            return;
        const std::string item = path + "\\" + win::upperAscii(file.name);
        if (run.PreviewFlag) {
            if (run.detail)
                context.report.AddReportLine(text(result::ToDelete + item));
        } else {
            DeleteFolderEntry(context, folder, file.name, item);
            reportRemoval(context, item, run.LastErrorCode);
        }
        events.poll();
    }
    for (const Entry& sub : listing.folders) {
        // Opened without following a link: a folder swapped for one since
        // the listing is not entered either.
        win::OpenFolder inner(*context.machine);
        if (!sub.link && inner.openSubfolder(folder, sub.name) == win::err::SUCCESS)
            purgeTree(context, inner, events, path + "\\" + sub.name, mask, counter);
        countItem(context, counter);
        if (run.CancelFlag)
            return;
        removeFolder(context, folder, sub.name, path + "\\" + win::upperAscii(sub.name));
    }
}

} // namespace

void PurgeFolderTree(PurgeContext& context, const std::string& folder, const std::string& mask, long long& counter)
{
    win::OpenFolder top(*context.machine);
    if (top.open(folder) != win::err::SUCCESS)
        return; // nothing to list
    EventPacer events;
    purgeTree(context, top, events, folder, mask, counter);
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
        const std::string folder = win::upperAscii(context.folders.recentFolder);
        win::OpenFolder recent(*context.machine);
        EventPacer events;
        const Listing listing = recent.open(folder) == win::err::SUCCESS
                                    ? listFolder(context, recent, events, "*.*", false)
                                    : Listing {};
        long long counter = 0;
        for (const Entry& file : listing.files) {
            if (!isLinkExtension(file.name))
                continue;
            countItem(context, counter);
            const std::string path = folder + "\\" + win::upperAscii(file.name);
            if (run.PreviewFlag) {
                if (run.detail)
                    report.AddReportLine(text(result::ToDelete + path));
            } else if (!DeleteFolderEntry(context, recent, file.name, path)) {
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
