#pragma once
// The shortcuts the Configuration window generates: the program alone, with
// "auto" and with "SHUT", each with its own icon file beside the program.

#include "platform/win32.h"

#include <string>

namespace kp {

namespace win {
class Machine;
}

enum class ShortcutPlace { Desktop, StartMenu, StartUp, SendTo, QuickLaunch };

struct ShortcutKind {
    const char* arguments; // "" for none
    const char* name;      // the link's file name without ".lnk"
    const char* iconFile;  // in the program's folder
};

inline constexpr ShortcutKind PlainShortcut {"", "Klenzor Pro", "KlenPro.ico"};
inline constexpr ShortcutKind AutoShortcut {"auto", "Diruv IRO Vur", "FastPro.ico"};
inline constexpr ShortcutKind ShutShortcut {"SHUT", "Purge & Shutdown", "ShutPro.ico"};

// The place's folder as the user's Explorer keys name it ("" when they name
// none): Shell Folders' Desktop, Start Menu, StartUp, SendTo, or GrpConv
// MapGroups' Quick Launch.
std::string ShortcutFolder(win::Machine& machine, ShortcutPlace place);

// Saves place + "\" + name + ".lnk" for `executable` (a Windows path),
// replacing an existing link: its arguments, working folder (the program's
// folder), icon (that folder's icon file, index 0), shown normally.
// SUCCESS without a link when the place is not found; otherwise the code
// of the link's write.
[[nodiscard]] win::DWORD CreateShortcut(win::Machine& machine, const std::string& executable, const ShortcutKind& kind,
                                        ShortcutPlace place = ShortcutPlace::Desktop);

} // namespace kp
