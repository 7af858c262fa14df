#include "app/small_window_geometry.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {
constexpr double kBaseDpi = 96;
constexpr double kScalingFrom = 106;

int grown(int designed, double factor)
{
    return int(std::lround(designed * factor));
}
} // namespace

QRect QuickStartGeometry(QSize designed, const QRect& workArea, const QRect& mainWindow, double dpi)
{
    QSize size = designed;
    if (dpi >= kScalingFrom) {
        const double factor = (kBaseDpi + (dpi - kBaseDpi) * 15 / 100) / kBaseDpi;
        size = {grown(designed.width(), factor), grown(designed.height(), factor)};
    }
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    size.setWidth(std::min(size.width(), std::max(360, right / 2)));
    size.setHeight(std::min(size.height(), std::max(240, bottom / 2)));
    const int left = std::max(0, std::min(right - size.width(), mainWindow.x() + mainWindow.width()));
    const int top = std::max(0, std::min(bottom - size.height(), mainWindow.y() + mainWindow.height()));
    return {left, top, size.width(), size.height()};
}

QSize SplashSizeFor(QSize designed, double dpi)
{
    if (dpi < kScalingFrom)
        return designed;
    const double extra = dpi - kBaseDpi;
    return {grown(designed.width(), (kBaseDpi + extra / 4) / kBaseDpi), grown(designed.height(), dpi / kBaseDpi)};
}

} // namespace kp
