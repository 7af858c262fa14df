#pragma once
// The state of a purge run, shared by the driver and the purge functions.

#include "purge/shred_state.h"
#include "settings/purge_option_set.h"

#include <QString>

#include <cstdint>

namespace kp::win {
class DeferredDeletes;
}

namespace kp {

struct RunState {
    PurgeOptionSet options;     // as the window's controls held them at the start
    bool PreviewFlag = false;   // the run deletes nothing
    bool previewButton = false; // Preview (not Purge) started the run
    bool detail = true;         // Detail report: successful items are listed too
    bool shred = false;         // deleted files are shredded
    int onlineDays = 0, onlineHours = 0, onlineMinutes = 0;
    int offlineDays = 0, offlineHours = 0, offlineMinutes = 0;
    bool CancelFlag = false;
    bool CacheAccessError = false; // a URL-cache walk of this run failed
    bool BusyFlag = false;
    long long ProcessedCount = 0;
    QString statusBase; // the "Processing" text of the current step
    bool ran = false;   // at least one step was started
    int gaugeStep = 0;  // pixels the gauge grows per finished step
    std::uint32_t LastErrorCode = 0; // the last system error of a file or cache-entry deletion
    ShredState shredState;           // kept for the program run, across runs
    // While a URL-cache walk runs: removes the entries' local files beside it
    // (CacheRemovalBatches); null otherwise.
    win::DeferredDeletes* cacheFileRemovals = nullptr;

    QString statusText() const
    {
        if (ProcessedCount >= 1)
            return statusBase + QStringLiteral(" - ") + QString::number(ProcessedCount) + QStringLiteral(" processed");
        return statusBase;
    }
};

} // namespace kp
