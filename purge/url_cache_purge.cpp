#include "purge/url_cache_purge.h"

#include "core/caught_exception.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "core/qt_text.h"
#include "core/scope_guard.h"
#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/host/console.h"
#include "platform/machine.h"
#include "protect/protect_list.h"
#include "purge/cache_removal_batches.h"
#include "purge/index_file_clear.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

namespace kp {

namespace {

// FILETIME of 10000-01-01: later times form no date.
constexpr win::QWORD kNoDateFrom = 2650467744000000000ULL;
constexpr const char* kAccessError = "*** Error Accessing Cache ***";


// The extension as the Windows file-name functions see it: from the last
// "." unless a "\" or ":" follows it.
bool hasCdfExtension(std::string_view url)
{
    const std::size_t at = url.find_last_of(".\\:");
    return at != std::string_view::npos && url[at] == '.' && win::startsWithNoCase(url.substr(at), ".CDF")
        && url.size() - at == 4;
}

struct Mode {
    const char* heading;
    const char* completion;
};

Mode modeTexts(char mode)
{
    switch (mode) {
    case 'C': return {"Unprotected Cookies:", "  Purge \"Cookies\" Function Completed."};
    case 'V': return {"Visited URLs:", "  Purge \"Visited URLs\" Function Completed."};
    default: return {"Online and Offline Cache:", "  Purge \"Cache\" Function Completed."};
    }
}


bool tooRecent(const EntryAge& age, int d, int h, int m)
{
    return age.days < d || (age.days == d && age.hours < h) || (age.days == d && age.hours == h && age.minutes < m);
}

void clearVisitedIndex(PurgeContext& context, UrlCacheServices& services, const UrlCachePurgeState& state)
{
    const Keywords& keywords = context.keywords;
    const bool wanted = keywords.IsKeywordPresent("CLEARV")
        || (state.visitedIndexStale && !keywords.IsKeywordPresent("NOCLEARV"));
    if (!wanted || !context.folders.historyFound)
        return;
    const std::string path = context.folders.historyFolder + "\\Index.Dat";
    win::FileSystem files(services.machine);
    if (!files.exists(path))
        return;
    std::string status;
    if (ClearIndexFile(services.machine, services.browsers, keywords, path, 'V', status))
        context.report.AddReportLineQuiet(QStringLiteral("       Cleared Visited Index.dat file"));
    else if (status.starts_with("Found"))
        context.report.AddReportLineQuiet(QStringLiteral("       ") + q(status));
}

} // namespace

UrlCacheServices::UrlCacheServices(win::Machine& m, win::WindowList& windows, MessageService& messages,
                                   ErrorState& errors, RunState& run, GeneralSettings& settings)
    : machine(m)
    , cache(m)
    , cursor(cache, messages, errors, run.CacheAccessError)
    , browsers(windows, ReadBrowserWindowTitle(m.registry()))
    , general(settings)
{
}

namespace {

EntryAge ageBetween(qint64 accessLocalMs, qint64 nowLocalMs)
{
    const qint64 r = nowLocalMs - accessLocalMs;
    EntryAge age;
    age.days = int(r / 86400000);
    const qint64 rest = r - qint64(age.days) * 86400000;
    age.hours = int(rest / 3600000);
    age.minutes = int((rest - qint64(age.hours) * 3600000) / 60000);
    return age;
}

qint64 utcMsOf(win::FileTime time)
{
    return qint64(time.value() / 10000) - qint64(win::kFileTimeUnixEpochSeconds) * 1000;
}

} // namespace

EntryAge CacheEntryAge(win::FileTime lastAccess, const QDateTime& now)
{
    return AgeClock(now).ageOf(lastAccess);
}

AgeClock::AgeClock(const QDateTime& now)
    : nowLocalMs(now.toMSecsSinceEpoch() + qint64(now.offsetFromUtc()) * 1000)
    , zone(QTimeZone::systemTimeZone())
{
}

EntryAge AgeClock::ageOf(win::FileTime lastAccess) const
{
    if (lastAccess.value() >= kNoDateFrom)
        return {999, 0, 0};
    const qint64 accessUtcMs = utcMsOf(lastAccess);
    const QDateTime access = QDateTime::fromMSecsSinceEpoch(accessUtcMs, Qt::UTC);
    const int offset = zone.isValid() ? zone.offsetFromUtc(access) : access.toLocalTime().offsetFromUtc();
    return ageBetween(accessUtcMs + qint64(offset) * 1000, nowLocalMs);
}

char CacheEntryTypeLetter(std::string_view url, win::DWORD entryType)
{
    if (entryType & win::STICKY_CACHE_ENTRY)
        return 'S';
    if (win::startsWithNoCase(url, "COOKIE:"))
        return 'C';
    if (win::startsWithNoCase(url, "VISITED:"))
        return 'V';
    return 'N';
}

void PurgeUrlCacheEntry(PurgeContext& context, UrlCacheServices& services, const ProtectList& protect,
                        UrlCachePurgeState& state, CacheRemovalBatches& batches)
{
    const win::INTERNET_CACHE_ENTRY_INFOA& entry = services.cursor.entry();
    const std::string url = entry.lpszSourceUrlName;
    const PurgeOptionSet& options = context.run.options;
    RunState& run = context.run;

    char type = CacheEntryTypeLetter(url, entry.CacheEntryType);
    const bool modeTakes = type == 'C' ? state.mode == 'C' : type == 'V' ? state.mode == 'V' : state.mode == 'X';
    if (!modeTakes)
        return;

    if (protect.IsProtected(url)) {
        state.protectedSeen = true;
        if (services.listProtected)
            batches.addLine((result::Protected + std::string(1, type) + std::string(12, ' ') + url).substr(0, 255));
        return;
    }

    if ((type == 'N' || type == 'S') && hasCdfExtension(url)) {
        type = 'S';
        if (!options.SubscriptionCache || run.offlineDays != 0 || run.offlineHours != 0 || run.offlineMinutes != 0)
            return;
    }

    const bool optionOn = type == 'N' ? options.NormalCache
        : type == 'S'                 ? options.SubscriptionCache
        : type == 'C'                 ? options.Cookies
                                      : options.Visited;
    if (!optionOn)
        return;

    const EntryAge age = state.clock.ageOf(entry.LastAccessTime);
    if (type == 'N' && tooRecent(age, run.onlineDays, run.onlineHours, run.onlineMinutes))
        return;
    if (type == 'S' && tooRecent(age, run.offlineDays, run.offlineHours, run.offlineMinutes))
        return;

    if (!run.PreviewFlag) {
        std::string indexPath;
        if (services.cache.checkIndexWritable(url, indexPath) != win::err::SUCCESS) {
            if (state.unwritableIndexes.insert(indexPath).second)
                batches.addLine(std::string(" -Error- ") + modeTexts(state.mode).heading + "  not processed as "
                                    + indexPath + " cannot be written",
                                3);
            return;
        }
    }
    batches.addEntry(url, type, age, entry.lpszLocalFileName);
}

void ReleaseCacheSpace(PurgeContext& context, UrlCacheServices& services, const UrlCachePurgeState& state)
{
    const RunState& run = context.run;
    const bool allAges = run.onlineDays <= 0 && run.onlineHours <= 0 && run.onlineMinutes <= 0
        && run.offlineDays <= 0 && run.offlineHours <= 0 && run.offlineMinutes <= 0;
    if (run.CacheAccessError || !run.options.NormalCache || !run.options.SubscriptionCache || !allAges
        || !context.folders.cacheFound || state.protectedSeen)
        return;
    const win::DWORD code = services.cache.freeUrlCacheSpace(context.folders.cacheFolder.c_str(), 100, 0);
    if (code != win::err::SUCCESS && context.keywords.IsKeywordPresent("xcode")) {
        context.report.AddReportLineQuiet(QStringLiteral("The FreeUrlCacheSpaceA function returned False. "));
        context.report.AddReportLineQuiet(QStringLiteral("The FreeUrlCacheSpaceA function failed - Error Code - ")
                                          + QString::number(code));
    }
}

void PurgeUrlCache(PurgeContext& context, UrlCacheServices& services, char mode)
{
    PurgeReport& report = context.report;
    RunState& run = context.run;
    try {
        UrlCachePurgeState state;
        state.mode = mode;
        state.clock = AgeClock(services.now());
        if (context.keywords.IsKeywordPresent("TESTPROT"))
            services.listProtected = true;
        const Mode texts = modeTexts(mode);
        report.AddReportLineQuiet(QString::fromLatin1(texts.heading));
        if (!run.PreviewFlag && services.cache.wineSessionActive()) {
            report.AddReportLineQuiet(QStringLiteral(" -Error- ") + QString::fromLatin1(texts.heading)
                                      + QStringLiteral("  not processed as the machine's Wine session is running"
                                                       " and must end first"));
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(3);
            return;
        }

        ProtectList protect(services.machine, context.messages, context.folders);
        protect.LoadProtectList(ProtectFilePath(context.folders));
        if (!protect.loaded() && !protect.EnsureLoaded()) {
            const QString name = QString::fromLatin1(kProtectFileName);
            if (context.messages.userAnswers()) {
                report.AddReportLineQuiet(QStringLiteral("    Unable to open ") + name);
                report.AddReportLineQuiet(QStringLiteral("    Function aborted by User."));
            } else {
                // Aborted by the message's default answer: nobody chose it.
                report.AddReportLineQuiet(QStringLiteral(" -Error- Unable to open ") + name);
                report.AddReportLineQuiet(QStringLiteral("    Function aborted."));
                context.errors.ErrorFlag = true;
                context.errors.RaiseErrorLevel(9);
            }
            report.AddReportLineQuiet(QString::fromLatin1(texts.completion));
            return;
        }
        if (run.CacheAccessError) {
            report.AddReportLineQuiet(QString::fromLatin1(kAccessError));
            return;
        }
        if (mode == 'C' && NoProtectionWarningDue(protect.ProtectedCount(), run.PreviewFlag, services.general.CookieMsgOpt)) {
            const NoProtectionAnswer answer = services.askNoProtection();
            if (answer.doNotShowAgain)
                services.general.CookieMsgOpt = "Y";
            if (answer.bypass) {
                report.AddReportLineQuiet(QStringLiteral("  Purge \"Cookies\" Function Bypassed."));
                return;
            }
        }

        {
            // Every entry taken is gone before the space release and the step's end.
            CacheRemovalBatches batches(context, services, state);
            CacheCursor& cursor = services.cursor;
            const ScopeGuard closer([&cursor] { cursor.CacheWalkClose(); });
            for (bool ready = cursor.CacheWalkFirst(); ready; ready = cursor.CacheWalkNext()) {
                if (run.CancelFlag) {
                    batches.addLine("*** Cancelled by operator.");
                    break;
                }
                if (cursor.CacheEntryReadable())
                    PurgeUrlCacheEntry(context, services, protect, state, batches);
            }
            if (cursor.WalkError())
                batches.addLine(kAccessError);
            batches.finish();
        }

        if (mode == 'X' && !run.PreviewFlag)
            ReleaseCacheSpace(context, services, state);
        if (mode == 'V' && !run.PreviewFlag && services.ie5OrLater())
            clearVisitedIndex(context, services, state);

        if (state.processed >= 1) {
            report.AddReportLineQuiet(QString::fromLatin1(texts.completion) + QStringLiteral("  ")
                                      + QString::number(state.processed) + QStringLiteral(" Entries Processed."));
        } else {
            report.AddReportLineQuiet(QStringLiteral("    No Entries found to delete."));
            report.AddReportLineQuiet(QString::fromLatin1(texts.completion));
        }
    } catch (...) {
        report.AddReportLineQuiet(QStringLiteral("*** Error in above Function."));
        context.errors.RaiseErrorLevel(9);
        std::string purge = modeTexts(mode).heading;
        purge.pop_back();
        win::writeStandardError("Klenzor Pro: " + purge + " purge failed: " + caughtExceptionText() + "\n");
    }
}

} // namespace kp
