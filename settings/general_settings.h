#pragma once
// Program-wide settings, with the values a missing settings file gives.

#include <string>

namespace kp {

struct GeneralSettings {
    std::string HintsOption = "Y";
    std::string Thoroughness = "0"; // "0" quick shred, "1" thorough
    int Repeats = 1;                // passes of the thorough shred, 1..99
    int ShutType = 0;
    std::string CookieMsgOpt = "N";
    std::string QuickStartOpt = "S";
};

// The display options of the current unattended mode.
struct ModeDisplayOptions {
    int MainWinOpt = 1; // 0 show, 1 show on any error, 2 on a severe error, 3 never
    int SplashOpt = 0;  // 0 show the splash window, 1 not
};

} // namespace kp
