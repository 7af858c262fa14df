#include "config/dialog_scale.h"

#include "settings/window_placement.h"

namespace kp {

int ExtraFormScalePercent(int pixelsPerInch)
{
    if (pixelsPerInch == 96)
        return 100;
    return MulDiv(MulDiv(pixelsPerInch - 96, 120, 100) + 96, 100, 96);
}

int ConfigFormScaled(int length, int pixelsPerInch) { return MulDiv(length, pixelsPerInch, 96); }

} // namespace kp
