#pragma once
// Writes a Wine prefix laid out as a Windows XP (or 98) machine used with
// Internet Explorer 6: the profile folders, the browser's cache and history folders,
// temp files, documents with recent links, and the registry that describes
// them. The result depends only on the recipe, so tests and benchmarks can make
// machines of any size and compare them.

#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace kp::sample {

using kp::win::DWORD;

enum class MachineLayout {
    WindowsXP, // C:\Documents and Settings\<user>, IE 6.0.2900.2180, XP SP2
    Windows98, // C:\WINDOWS\Profiles\<user>, IE 6, Windows 98 SE: no NT keys, temp in C:\WINDOWS\TEMP
};

struct MachineSpec {
    std::string userName = "Owner";
    std::string computerName = "KLENZOR-XP";
    MachineLayout layout = MachineLayout::WindowsXP;
    std::uint64_t seed = 1;
    // The machine's "now" in Unix seconds: file times and the daily history
    // folders count back from it. 0 takes the start of the current UTC day.
    std::int64_t now = 0;

    int tempFiles = 12;      // in each of the user's and the Windows temp folders
    int documents = 6;       // in My Documents, each with a recent link
    int historyDays = 5;     // daily MSHist01 folders in History.IE5
    int typedUrls = 8;
    int zoneSites = 5;       // ZoneMap\Domains sites, each with sub-domain keys
    int cookieDecisions = 4; // P3P\History sites
    int formItems = 4;       // protected-storage AutoComplete items per identity
    int passwordItems = 2;
    int userDataFiles = 3;
    int cacheEntries = 240;   // online cache entries, each with its file in a cache subfolder
    // Online entries as small as the format allows: a short address, no
    // response header, no extension, so that each record takes one 128-byte
    // block. An index addresses 126,336 blocks: 100,000 entries fit only so.
    bool smallestCacheEntries = false;
    int offlineEntries = 24;  // sticky (offline) entries, besides the .cdf channel
    int cookies = 16;         // sites with a cookie file
    int visitedUrls = 80;
    int historyEntries = 6;   // entries in each daily history container
};

// The user's SID that the machine's user.reg names.
inline constexpr const char* kSampleUserSid = "S-1-5-21-0-0-0-1000";

// Writes the machine into `prefixDir`, which must not exist or be an empty
// folder (ALREADY_EXISTS otherwise). Returns the first failure's Win32 code.
DWORD buildMachine(const std::string& prefixDir, const MachineSpec& recipe);

// Removes a machine written before: only a folder that is a Wine prefix
// (dosdevices and system.reg) or empty, never following symbolic links.
// BAD_FORMAT when the folder is something else; SUCCESS when it is absent.
DWORD removeMachine(const std::string& prefixDir);

} // namespace kp::sample
