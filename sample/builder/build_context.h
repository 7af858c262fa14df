#pragma once
// What the steps of a machine build share: the recipe, the machine's folders as
// Windows paths, the open machine (its registry), the generator, and helpers
// that write files under the prefix. Each step is a function over the
// context; buildMachine runs them in order (see machine_builder.cpp), so a
// new kind of content is one more step.

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "sample/builder/machine_builder.h"
#include "sample/builder/seeded_random.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp::sample {

// The folders of the machine as Windows paths (no trailing backslash).
struct MachineFolders {
    std::string windows;          // C:\WINDOWS
    std::string windowsTemp;      // C:\WINDOWS\TEMP
    std::string programFiles;     // C:\Program Files
    std::string profiles;         // C:\Documents and Settings
    std::string profile;          // ...\<user>
    std::string allUsers;         // ...\All Users
    std::string desktop, personal, pictures, appData, localAppData, favorites;
    std::string cookies, recent, sendTo, startMenu, programs, startup, templates, netHood, printHood;
    std::string cache;            // ...\Local Settings\Temporary Internet Files
    std::string contentIE5;       // cache + \Content.IE5
    std::string history;          // ...\Local Settings\History
    std::string historyIE5;       // history + \History.IE5
    std::string temp;             // ...\Local Settings\Temp
    std::string userData;         // ...\Application Data\Microsoft\Internet Explorer\UserData
    std::string klenzorProgram;   // C:\Program Files\Klenzor Pro
};

struct BuildContext {
    std::string prefixDir;
    MachineSpec recipe;
    std::int64_t now = 0;
    std::string userSid;
    MachineFolders folders;
    std::vector<std::string> cacheSubfolders;  // the four Content.IE5 subfolder names
    std::vector<std::string> historyFolders;   // MSHist01... names, newest first
    std::vector<std::string> documents;        // Windows paths of the documents written
    SeededRandom random;
    std::unique_ptr<kp::win::Machine> machine; // opened once the hives exist

    explicit BuildContext(std::uint64_t seed)
        : random(seed)
    {
    }

    // Host path of a Windows path on drive C:.
    std::string hostPath(std::string_view winPath) const;

    // Creates a folder and its missing parents.
    DWORD makeFolder(std::string_view winPath) const;
    // Writes a file (its folder must exist) with the given last-write time.
    DWORD writeFile(std::string_view winPath, std::string_view content, std::int64_t mtime) const;
    // A folder as the registry's shell-folder and cache keys store it: below
    // the profile "%USERPROFILE%\..." (REG_EXPAND_SZ) on the NT family, the
    // plain path on the 9x family, which has no such variable.
    kp::win::RegValue profileRelative(const std::string& winPath) const;
    bool ntFamily() const { return recipe.layout != MachineLayout::Windows98; }

    // Tells the machine's path cache about a name the builder made on the host.
    void noteAdded(const std::string& hostPath) const;
    // SetFileAttributes through the machine.
    DWORD setAttributes(std::string_view winPath, DWORD attributes) const;
    // Deterministic bytes of the given size.
    std::string randomBytes(std::size_t size);
};

// The steps, in the order buildMachine runs them.
DWORD writePrefixSkeleton(BuildContext& context);
DWORD writeProfileFolders(BuildContext& context);
DWORD writeMachineRegistry(BuildContext& context);
DWORD writeSampleFiles(BuildContext& context);
DWORD writeRecentLinks(BuildContext& context);
DWORD writeUrlCache(BuildContext& context);
DWORD writeApplicationTraces(BuildContext& context);

} // namespace kp::sample
