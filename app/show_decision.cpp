#include "app/show_decision.h"

#include "core/error_level.h"

namespace kp {

bool ShouldShowMainWindow(int mainWinOpt, const ErrorState& errors)
{
    if (mainWinOpt == 0)
        return true;
    if (mainWinOpt == 3)
        return false;
    if (errors.ErrorFlag && errors.thresholdPresent && errors.threshold <= errors.ErrorLevel)
        return true;
    if (mainWinOpt == 2)
        return errors.ErrorFlag && errors.ErrorLevel >= 9;
    if (mainWinOpt == 1)
        return errors.ErrorFlag && errors.ErrorLevel >= 1;
    return false;
}

} // namespace kp
