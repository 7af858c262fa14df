#pragma once
// The program's look, chosen at start-up by the visual-styles manifest: the
// desktop's own style, or the classic Windows look while visual styles are
// switched off.

namespace kp {

struct ThemeStates;

void ApplyVisualStyle(const ThemeStates& theme);

} // namespace kp
