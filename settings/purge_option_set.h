#pragma once
// The selected purge functions with their age limits and report style, named
// after the settings keys. In memory it lives in the main window's controls.

#include <string>

namespace kp {

struct PurgeOptionSet {
    bool NormalCache = false;
    bool SubscriptionCache = false;
    bool History = false;
    bool URLs = false;
    bool Recent = false;
    bool Cookies = false;
    bool Visited = false;
    bool Strays = false;
    bool Temp = false;
    bool Recycle = false;
    bool ClearAutoForm = false;
    bool ClearPrevSrch = false;
    bool ClearUserData = false;
    bool ShredFiles = false;
    bool RunPlugins = false;
    bool ClearClipBoard = false;
    std::string NsDD = "0", NsHH = "0", NsMM = "0";
    std::string SbDD = "0", SbHH = "0", SbMM = "0";
    int ReportOpt = 0; // 0 Detail, 1 Summary
};

// Which of the three Internet Explorer 5 boxes are enabled: a disabled box
// loads clear and saves as "0".
struct Ie5Boxes {
    bool autoForm = false;
    bool prevSrch = false;
    bool userData = false;
};

} // namespace kp
