#include "purge/stray_purge.h"

#include "core/caught_exception.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "core/qt_text.h"
#include "core/scope_guard.h"
#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/host/console.h"
#include "purge/cache_cursor.h"
#include "purge/file_delete.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"
#include "purge/url_cache_purge.h"
#include "settings/folder_set.h"

#include <QCoreApplication>

#include <new>

namespace kp {

namespace {

constexpr const char* kHeading = "Stray Cookies / Stray Cache Files / Stray URLs:";
constexpr const char* kCompletion = "  Purge \"Strays\" Function Completed. ";
constexpr const char* kAccessError = "*** Error Accessing Cache ***";
constexpr const char* kCancelled = "*** Cancelled by operator.";

void line(PurgeContext& context, const std::string& text) { context.report.AddReportLineQuiet(q(text)); }


struct ListedFile {
    std::string name;
    std::string shortName;
};

// The files and (for a recursive scan) the subfolders of `folder`; folder
// links are left out, so never entered.
void listFolder(PurgeContext& context, win::FileSystem& files, const std::string& folder, bool recursive,
                std::vector<ListedFile>& found, std::vector<std::string>& subfolders)
{
    win::FindData data;
    win::FindHandle handle;
    for (win::DWORD e = files.findFirst(folder + "\\*.*", data, handle); e == win::err::SUCCESS;
         e = files.findNext(handle, data)) {
        if (context.run.CancelFlag) {
            line(context, kCancelled);
            break;
        }
        if (data.attributes & win::attr::DIRECTORY) {
            if (recursive && !(data.attributes & win::attr::REPARSE_POINT) && !data.fileName.empty()
                && data.fileName[0] != '.')
                subfolders.push_back(data.fileName);
            continue;
        }
        const std::string name = win::upperAscii(data.fileName);
        if (name != "DESKTOP.INI" && name != "INDEX.DAT")
            found.push_back({data.fileName, data.alternateFileName});
    }
    files.findClose(handle);
}

} // namespace

const StrayRecord* StrayIndex::add(StrayRecord record)
{
    std::vector<std::uint32_t>& named = byFile_[record.localFile];
    const StrayRecord* existing = named.empty() ? nullptr : &records_[named.front()];
    const std::size_t existingAt = existing ? named.front() : 0;
    named.push_back(std::uint32_t(records_.size()));
    records_.push_back(std::move(record));
    return existing ? &records_[existingAt] : nullptr;
}

bool StrayIndex::markSeen(const std::string& localFile)
{
    const auto it = byFile_.find(localFile);
    if (it == byFile_.end())
        return false;
    for (std::uint32_t at : it->second)
        records_[at].seen = true;
    return true;
}

void BuildStrayIndex(PurgeContext& context, UrlCacheServices& services, StrayIndex& index)
{
    if (context.run.CacheAccessError) {
        line(context, kAccessError);
        return;
    }
    const bool listDuplicates = context.keywords.IsKeywordPresent("xcode");
    CacheCursor& cursor = services.cursor;
    const ScopeGuard closer([&cursor] { cursor.CacheWalkClose(); });
    for (bool ready = cursor.CacheWalkFirst(); ready; ready = cursor.CacheWalkNext()) {
        if (!cursor.CacheEntryReadable())
            continue;
        const win::INTERNET_CACHE_ENTRY_INFOA& entry = cursor.entry();
        if (!entry.lpszLocalFileName || win::startsWithNoCase(entry.lpszSourceUrlName, "VISITED:"))
            continue;
        StrayRecord record;
        record.localFile = win::upperAscii(entry.lpszLocalFileName);
        if (!record.localFile.empty() && record.localFile.back() == '.')
            record.localFile.pop_back();
        record.url = entry.lpszSourceUrlName;
        const std::string url = record.url;
        if (const StrayRecord* existing = index.add(std::move(record)); existing && listDuplicates) {
            line(context, result::Duplicate + existing->url);
            line(context, result::Duplicate + url);
            line(context, " ");
        }
    }
    if (cursor.WalkError())
        line(context, kAccessError);
}

void ScanStrayFiles(PurgeContext& context, StrayIndex& index, const std::string& folder, bool found, bool cookies,
                    bool recursive, long long& processed)
{
    if (context.run.CancelFlag)
        return;
    if (!found) {
        line(context, cookies ? " -Error- Cookies:  not processed as folder could not be located"
                              : " -Error- Cache:  not processed as folder could not be located");
        context.errors.RaiseErrorLevel(3);
        return;
    }
    win::FileSystem files(*context.machine);
    std::vector<ListedFile> listed;
    std::vector<std::string> subfolders;
    listFolder(context, files, folder, recursive, listed, subfolders);

    RunState& run = context.run;
    for (const ListedFile& file : listed) {
        const std::string path = folder + "\\" + win::upperAscii(file.name);
        if (index.markSeen(path))
            continue;
        ++processed;
        ++run.ProcessedCount;
        if (run.PreviewFlag) {
            if (run.detail)
                line(context, result::ToDelete + path);
        } else if (DeleteFileWithOptions(context, folder + "\\" + file.name, file.shortName)) {
            if (run.detail)
                line(context, result::Deleted + path);
        } else {
            line(context, ItemErrorText(run.LastErrorCode, context.errors).substr(0, 17) + path);
            context.errors.ErrorFlag = true;
        }
        QCoreApplication::processEvents();
    }
    for (const std::string& sub : subfolders)
        ScanStrayFiles(context, index, folder + "\\" + win::upperAscii(sub), true, cookies, true, processed);
}

void PurgeStrayUrls(PurgeContext& context, UrlCacheServices& services, StrayIndex& index, long long& processed)
{
    RunState& run = context.run;
    const FolderSet& folders = context.folders;
    win::FileSystem files(*context.machine);
    for (const StrayRecord& record : index.records()) {
        if (run.CancelFlag) {
            line(context, kCancelled);
            return;
        }
        if (record.seen)
            continue;
        const bool cookie = win::startsWithNoCase(record.url, "COOKIE:");
        if (cookie ? !folders.cookiesFound : !folders.cacheFound)
            continue;
        // A file the scans did not reach (another folder, a link) keeps its entry.
        win::DWORD attributes = 0;
        const win::DWORD missing = files.getAttributes(record.localFile, attributes);
        if (missing != win::err::FILE_NOT_FOUND && missing != win::err::PATH_NOT_FOUND)
            continue;

        std::string word;
        int level = 0;
        if (run.PreviewFlag) {
            word = result::ToDelete;
        } else {
            const win::DWORD code = services.cache.deleteUrlCacheEntry(record.url);
            run.LastErrorCode = code;
            if (code == win::err::ACCESS_DENIED)
                continue;
            if (code == win::err::SUCCESS) {
                word = result::Deleted;
            } else {
                RemovalFailure failure = entryRemovalFailure(code);
                word = std::move(failure.word);
                level = failure.level;
            }
        }
        ++processed;
        ++run.ProcessedCount;
        if (level > 0) {
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(level);
        }
        if (level > 0 || run.detail)
            line(context, (word + record.url).substr(0, 255));
        QCoreApplication::processEvents();
    }
}

void PurgeStrays(PurgeContext& context, UrlCacheServices& services)
{
    PurgeReport& report = context.report;
    try {
        line(context, kHeading);
        if (!context.run.PreviewFlag && services.cache.wineSessionActive()) {
            line(context, std::string(" -Error- ") + kHeading
                              + "  not processed as the machine's Wine session is running and must end first");
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(3);
            return;
        }
        bool stopped = false;
        StrayIndex index;
        try {
            BuildStrayIndex(context, services, index);
        } catch (const std::bad_alloc&) {
            index = StrayIndex();
            context.messages.show("Klenzor  -  Message",
                                  "Insufficient RAM to perform the \"Strays\" processing.\r\n"
                                  "Try again after some Cache is purged.\r\nFunction Terminated.",
                                  MsgKind::Warning);
            stopped = true;
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(9);
        }

        long long processed = 0;
        const FolderSet& folders = context.folders;
        const auto phaseMayRun = [&] { return !stopped && !report.ListingStopped(); };
        if (!context.run.CacheAccessError) {
            if (phaseMayRun())
                ScanStrayFiles(context, index, folders.cookiesFolder, folders.cookiesFound, true, false, processed);
            if (phaseMayRun())
                ScanStrayFiles(context, index, folders.cacheFolder, folders.cacheFound, false, true, processed);
            if (phaseMayRun())
                PurgeStrayUrls(context, services, index, processed);
        }

        if (processed >= 1) {
            line(context, kCompletion + std::to_string(processed) + " Files/URLs Processed.");
        } else {
            line(context, "    No Strays found to delete.");
            line(context, kCompletion);
        }
    } catch (...) {
        line(context, "*** Error in above Function.");
        context.errors.RaiseErrorLevel(9);
        win::writeStandardError("Klenzor Pro: Strays purge failed: " + caughtExceptionText() + "\n");
    }
}

} // namespace kp
