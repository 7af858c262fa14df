#include "purge/cache_removal_batches.h"

#include "core/error_level.h"
#include "core/qt_text.h"
#include "purge/cache_entry_delete.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"

#include <QCoreApplication>

namespace kp {

namespace {

// Enough for the worker to stay busy while the walk fills the next batch.
constexpr std::size_t kBatchSize = 512;

} // namespace

CacheRemovalBatches::CacheRemovalBatches(PurgeContext& context, UrlCacheServices& services,
                                         UrlCachePurgeState& state)
    : context_(context)
    , services_(services)
    , state_(state)
    , overlap_(!context.run.PreviewFlag && !context.run.shred)
{
    if (context.run.PreviewFlag)
        return;
    users_.count(services.machine, services.cache);
    if (overlap_)
        context.run.cacheFileRemovals = &removals_;
}

CacheRemovalBatches::~CacheRemovalBatches()
{
    context_.run.cacheFileRemovals = nullptr;
}

void CacheRemovalBatches::addLine(std::string text, int level)
{
    Item& item = items_.emplace_back();
    item.text = std::move(text);
    item.level = level;
    added();
}

void CacheRemovalBatches::addEntry(std::string url, char type, const EntryAge& age, const char* localFile)
{
    Item& item = items_.emplace_back();
    item.text = std::move(url);
    item.isEntry = true;
    item.type = type;
    item.age = age;
    if (!context_.run.PreviewFlag && localFile && users_.release(services_.machine, localFile)) {
        context_.run.LastErrorCode = 0;
        // A queued removal's outcome is the worker's to write.
        if (!DeleteCacheLocalFile(context_, localFile, &item.fileError)) {
            const win::DWORD e = context_.run.LastErrorCode;
            item.fileError = e == win::err::FILE_NOT_FOUND || e == win::err::PATH_NOT_FOUND ? win::err::SUCCESS : e;
        }
    }
    added();
}

void CacheRemovalBatches::added()
{
    if (++open_ < (overlap_ ? kBatchSize : 1))
        return;
    closed_.push_back({open_, removals_.mark()});
    open_ = 0;
    complete(overlap_ ? 1 : 0);
}

void CacheRemovalBatches::finish()
{
    if (open_ > 0)
        closed_.push_back({open_, removals_.mark()});
    open_ = 0;
    complete(0);
}

void CacheRemovalBatches::complete(std::size_t inFlight)
{
    while (closed_.size() > inFlight) {
        const Batch batch = closed_.front();
        closed_.pop_front();
        removals_.waitFor(batch.removalsMark);
        for (std::size_t i = 0; i < batch.items; ++i) {
            report(items_.front());
            items_.pop_front();
        }
    }
}

void CacheRemovalBatches::report(const Item& item)
{
    PurgeReport& report = context_.report;
    ErrorState& errors = context_.errors;
    RunState& run = context_.run;
    if (!item.isEntry) {
        report.AddReportLineQuiet(q(item.text));
        if (item.level > 0) {
            errors.ErrorFlag = true;
            errors.RaiseErrorLevel(item.level);
        }
        return;
    }

    std::string word;
    int level = 0;
    if (run.PreviewFlag) {
        word = result::ToDelete;
    } else if (item.fileError != win::err::SUCCESS) {
        // The file stays, so does its entry.
        run.LastErrorCode = item.fileError;
        word = isLockCode(item.fileError) ? result::Locked : NumericErrorField(item.fileError);
        level = isLockCode(item.fileError) ? 1 : 3;
    } else {
        const win::DWORD code = services_.cache.deleteUrlCacheEntry(item.text);
        run.LastErrorCode = code;
        if (code == win::err::ACCESS_DENIED)
            return; // in use by the index's owner: skipped silently
        if (code == win::err::SUCCESS) {
            word = result::Deleted;
        } else if (code == win::err::FILE_NOT_FOUND && state_.mode == 'V' && services_.ie5OrLater()) {
            word = result::Deleted;
            state_.visitedIndexStale = true;
        } else {
            RemovalFailure failure = entryRemovalFailure(code);
            word = std::move(failure.word);
            level = failure.level;
        }
    }

    const bool success = word == result::ToDelete || word == result::Deleted;
    if (!success || run.detail) {
        if (run.detail && !state_.headerWritten) {
            report.AddReportLineQuiet(QStringLiteral("       Result  Type dd-hh:mm (age)   Cache Entry"));
            state_.headerWritten = true;
        }
        report.AddReportLineQuiet(
            q(word + item.type + " " + AgeText(item.age.days, item.age.hours, item.age.minutes) + "  " + item.text));
    }
    if (!success) {
        errors.ErrorFlag = true;
        errors.RaiseErrorLevel(level);
    }
    ++state_.processed;
    ++run.ProcessedCount;
    QCoreApplication::processEvents();
}

} // namespace kp
