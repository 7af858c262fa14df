#pragma once
// The Configuration window's five tabs: what each shows and which mode's
// sections it edits.

namespace kp {

enum class ConfigTab { General, PurgeNow, Startup, Shutdown, TempFolders };

// Button captions escape "&" as "&&"; the heading is shown as it is.
struct ConfigTabInfo {
    const char* tabCaption;
    const char* heading;        // LabelTop
    const char* modePrefix;     // ConfigModePrefix
    const char* uniqueCaption;  // UniqueSBtn, on the mode tabs
    const char* optionsCaption; // the per-mode options window, after the product name
};

inline constexpr ConfigTabInfo ConfigTabs[] = {
    {"General", "Additional Options and Shortcut generation", "", "", ""},
    {"Purge Now", "Display options for Diruv Iro Vur", "Auto", "Set Unique Purge Options for 'Diruv Iro Vur'",
     " - set separate Purge options for 'Diruv Iro Vur'"},
    {"Startup", "Display options for automatic execution at Startup", "Boot",
     "Set Unique Purge Options for 'Startup'", " - set separate Purge options for 'Startup'"},
    {"Shutdown", "Display options for 'Purge & Shutdown' execution", "Shut",
     "Set Purge Options for 'Purge && Shutdown'", " - set separate Purge options for 'Purge & Shutdown'"},
    {"Temp Folders", "Select folders below for 'Temp Folders' Option", "", "", ""},
};

inline const ConfigTabInfo& configTab(ConfigTab tab) { return ConfigTabs[int(tab)]; }
inline bool isModeTab(ConfigTab tab) { return tab != ConfigTab::General && tab != ConfigTab::TempFolders; }

// The shutdown choices a system offers: Poweroff only on the NT family.
inline int shutdownChoiceCount(bool ntFamily) { return ntFamily ? 4 : 3; }
// The item a stored ShutType selects: itself when the system offers it, else Logoff.
inline int shutdownChoice(int shutType, bool ntFamily)
{
    return shutType >= 0 && shutType < shutdownChoiceCount(ntFamily) ? shutType : 0;
}

} // namespace kp
