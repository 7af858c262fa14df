#pragma once
// How the configuration windows grow on screens of more than 96 pixels per
// inch.

namespace kp {

// The per-mode options window: the percentage f = ((ppi - 96) * 120 / 100
// + 96) * 100 / 96, each step rounded (MulDiv); 100 at 96 pixels per inch.
int ExtraFormScalePercent(int pixelsPerInch);

// The Configuration window: a length designed at 96 pixels per inch at
// `pixelsPerInch`, rounded.
int ConfigFormScaled(int length, int pixelsPerInch);

} // namespace kp
