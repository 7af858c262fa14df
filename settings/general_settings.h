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
    // Temp folders the Temp Folders purge empties: "Y" or "N".
    std::string TmpDir = "N"; // System Temp
    std::string DosDir = "N"; // Old Temp
    std::string WinDir = "N"; // Windows Temp
    std::string VolDir = "N"; // BootDisk Temp
    int Sort1Opt = 0;
    // The settings file was last written by another version.
    bool NewVersionFlag = false;
};

// The display options of the current unattended mode.
struct ModeDisplayOptions {
    int MainWinOpt = 1; // 0 show, 1 show on any error, 2 on a severe error, 3 never
    int SplashOpt = 0;  // 0 show the splash window, 1 not
};

} // namespace kp
