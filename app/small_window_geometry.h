#pragma once
// Sizes and places of the main window's small windows: the quick start
// window and the splash.

#include <QRect>
#include <QSize>

namespace kp {

// The quick start window at its first activation: grown on screens of 106
// pixels per inch or more by 15 % of the excess over 96, then no larger
// than half the work area's right and bottom coordinates (at least 360 by
// 240); placed at the main window's bottom right corner, kept inside the
// work area and never above or left of 0.
QRect QuickStartGeometry(QSize designed, const QRect& workArea, const QRect& mainWindow, double dpi);

// The splash on screens of 106 pixels per inch or more: its width grows by a
// quarter of the excess over 96, its height in full proportion.
QSize SplashSizeFor(QSize designed, double dpi);

} // namespace kp
