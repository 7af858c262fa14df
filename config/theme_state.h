#pragma once
// The visual-styles option: the manifest beside the program is active under
// the program's path + ".ManifesT" and switched off under + ".ManifesX".
// The choice takes effect at the next start.

#include <string>

namespace kp {

namespace win {
class Machine;
}

struct ThemeStates {
    // 0 no manifest (cannot be switched; always so outside the NT family),
    // 1 switched off, 2 switched on.
    int ThemeState = 0;
    int SavedThemeState = 0;
};

ThemeStates ReadThemeState(win::Machine& machine, const std::string& executable);

// Records `state` and, when it differs from the saved one, renames the
// manifest to match (a failed delete or rename is passed over).
void ApplyThemeState(win::Machine& machine, const std::string& executable, ThemeStates& theme, int state);

} // namespace kp
