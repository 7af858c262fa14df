#include "purge/guarded_purge.h"

#include "core/caught_exception.h"
#include "core/error_level.h"
#include "platform/host/console.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"

#include <string>

namespace kp {

void guardedPurge(PurgeContext& context, std::string_view functionName, const std::function<void()>& body)
{
    try {
        body();
    } catch (...) {
        context.report.AddReportLineQuiet(QStringLiteral("*** Error in above Function."));
        context.errors.RaiseErrorLevel(9);
        win::writeStandardError("Klenzor Pro: " + std::string(functionName) + " purge failed: " + caughtExceptionText()
                                + "\n");
    }
}

} // namespace kp
