#include "settings/folder_discovery.h"

#include "core/keywords.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/files/volume.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "platform/system/shell_folders.h"
#include "platform/system/system_info.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <algorithm>
#include <optional>

namespace kp {

namespace {

constexpr std::size_t kExpandLimit = 1024;
constexpr std::uint64_t kFailedSize = 4194303;
// FileAge's range: DOS dates, 1980 to 2107.
constexpr win::QWORD kFirstDosTime = 119600064000000000ull;
constexpr win::QWORD kEndDosTime = 159992928000000000ull;
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kTypedUrls = "Software\\Microsoft\\Internet Explorer\\Typedurls";
constexpr const char* kUserDataKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Extensible Cache\\Userdata";

struct BrowserFolder {
    int csidl;
    const char* valueName;
    bool needsIndex;
    const char* versionSubfolder; // "" for none
};

constexpr BrowserFolder kCache {32, "Cache", true, "Content.IE5"};
constexpr BrowserFolder kCookies {33, "Cookies", true, ""};
constexpr BrowserFolder kHistory {34, "History", true, "History.IE5"};
constexpr BrowserFolder kRecent {8, "Recent", false, ""};

bool isFolder(win::FileSystem& files, const std::string& path)
{
    win::DWORD attributes = 0;
    return files.getAttributes(path, attributes) == win::err::SUCCESS && (attributes & win::attr::DIRECTORY);
}

void dropTrailingBackslash(std::string& path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
}

bool plausible(const std::string& path)
{
    return path.size() >= 4 && path.find(':') != std::string::npos && path.find('\\') != std::string::npos;
}

bool registryText(win::Machine& machine, win::RegRoot root, const char* key, const char* value, std::string& out)
{
    win::Registry& registry = machine.registry();
    win::RegKey handle;
    if (registry.openKey(root, key, false, handle) != win::err::SUCCESS)
        return false;
    return registry.queryString(handle, value, out) == win::err::SUCCESS;
}

class BrowserFolderSearch {
public:
    BrowserFolderSearch(win::Machine& machine, BrowserLevel browser)
        : machine_(machine)
        , files_(machine)
        , browser_(browser)
    {
    }

    // The folder's upper-cased path, "" when no source gives an acceptable one.
    std::string find(const BrowserFolder& folder)
    {
        std::string found;
        for (int source = 1; source <= 6 && found.empty(); ++source) {
            std::string text;
            if (sourceText(folder, source, text))
                found = evaluate(folder, text);
        }
        dropTrailingBackslash(found);
        found = win::upperAscii(found);
        return plausible(found) ? found : std::string();
    }

private:
    bool sourceText(const BrowserFolder& folder, int source, std::string& text)
    {
        switch (source) {
        case 1:
            GetShellFolder(machine_, folder.csidl, text);
            break;
        case 2:
            if (win::shGetSpecialFolderPath(machine_, folder.csidl, text) != win::err::SUCCESS)
                text = "Failed - Folder not Found";
            break;
        case 3:
            return registryText(machine_, win::RegRoot::CurrentUser, kUserShellFolders, folder.valueName, text)
                && expand(text);
        case 4:
            return registryText(machine_, win::RegRoot::CurrentUser, kShellFolders, folder.valueName, text)
                && expand(text);
        case 5:
            return registryText(machine_, win::RegRoot::LocalMachine, kUserShellFolders, folder.valueName, text)
                && expand(text);
        case 6:
            return registryText(machine_, win::RegRoot::LocalMachine, kShellFolders, folder.valueName, text)
                && expand(text);
        }
        return !text.starts_with("Fail") && expand(text);
    }

    bool expand(std::string& text)
    {
        text = ExpandPath(machine_, text);
        return !text.empty();
    }

    // The folder this source's text leads to, "" when it is not acceptable.
    std::string evaluate(const BrowserFolder& folder, std::string path)
    {
        dropTrailingBackslash(path);
        const std::string_view sub = folder.versionSubfolder;
        if (!sub.empty() && browser_.ie5) {
            const std::string stem = path + "\\" + std::string(sub.substr(0, 7));
            if (browser_.ie6 && isFolder(files_, stem + ".IE6"))
                path = stem + ".IE6";
            else
                path = stem + ".IE5";
        }
        if (path.empty() || !isFolder(files_, path))
            return {};
        if (folder.needsIndex && !validIndex(path + "\\Index.Dat"))
            return {};
        return path;
    }

    bool validIndex(const std::string& file)
    {
        win::FindData data;
        if (files_.getFileInfo(file, data) != win::err::SUCCESS || (data.attributes & win::attr::DIRECTORY))
            return false;
        const win::QWORD written = data.lastWriteTime.value();
        return written >= kFirstDosTime && written < kEndDosTime;
    }

    win::Machine& machine_;
    win::FileSystem files_;
    BrowserLevel browser_;
};

void findTypedUrls(win::Machine& machine, FolderSet& f)
{
    win::RegKey key;
    if (machine.registry().openKey(win::RegRoot::CurrentUser, kTypedUrls, false, key) != win::err::SUCCESS)
        return;
    f.typedUrlsFound = true;
    f.typedUrlsText = win::upperAscii(std::string("[HKEY_CURRENT_USER\\") + kTypedUrls + "]");
}

char driveOf(const std::string& path)
{
    if (path.empty())
        return ' ';
    return path[0] == '\\' ? 'C' : path[0];
}

bool tempNameOk(const std::string& path, bool anyTemp)
{
    return plausible(path) && (anyTemp || (path.size() >= 5 && path.substr(path.size() - 5) == "\\TEMP"));
}

// Fails when the temp folder is, or holds, a folder the purge must not empty.
bool clearOfBrowserFolders(const std::string& path, const FolderSet& f)
{
    const std::string protectedFolders[] = {f.cacheFolder, f.cookiesFolder, f.historyFolder, f.execFolder,
                                            win::upperAscii(f.dataFolder)};
    for (const std::string& folder : protectedFolders) {
        if (folder.empty())
            continue;
        if (folder == path || folder.starts_with(path + "\\"))
            return false;
    }
    return true;
}

void findTempCandidates(win::Machine& machine, const Keywords& keywords, FolderSet& f)
{
    win::Environment& environment = machine.environment();
    auto variable = [&environment](const char* name) {
        std::string value;
        return environment.get(name, value) == win::err::SUCCESS ? value : std::string();
    };
    auto evaluate = [&](FolderSet::TempIndex index, std::string path) {
        TempCandidate& c = f.temp[index];
        c = TempCandidate {};
        c.path = std::move(path);
        CheckTempFolder(machine, keywords, f, c);
    };
    evaluate(FolderSet::SystemTemp, variable("tmp"));
    evaluate(FolderSet::WindowsTemp, win::windowsDirectory(machine) + "\\temp");
    evaluate(FolderSet::OldTemp, variable("temp"));

    const TempCandidate& windowsTemp = f.temp[FolderSet::WindowsTemp];
    if (windowsTemp.error != TempCandidate::Usable) {
        f.temp[FolderSet::BootDiskTemp] = TempCandidate {"", TempCandidate::NotFound, "... Path Not Found ...", ' '};
    } else {
        evaluate(FolderSet::BootDiskTemp, std::string(1, windowsTemp.drive) + ":\\temp");
    }

    std::string systemTemp;
    if (environment.tempPath(systemTemp) != win::err::SUCCESS)
        systemTemp.clear();
    evaluate(FolderSet::FallbackTemp, systemTemp);
    TempCandidate& fallback = f.temp[FolderSet::FallbackTemp];
    if (fallback.path == f.execFolder || fallback.error != TempCandidate::Usable)
        fallback = TempCandidate {"", TempCandidate::NotFound, "... Folder Not Found ...", ' '};
}

void findUserData(win::Machine& machine, FolderSet& f)
{
    f.userDataFolder = "... Not Found ...";
    f.userDataFound = false;
    f.userDataDrive = ' ';
    std::string path;
    if (!registryText(machine, win::RegRoot::CurrentUser, kUserDataKey, "CachePath", path)
        && !registryText(machine, win::RegRoot::LocalMachine, kUserDataKey, "CachePath", path))
        return;
    path = ExpandPath(machine, path);
    dropTrailingBackslash(path);
    path = win::upperAscii(path);
    win::FileSystem files(machine);
    if (path.empty() || !isFolder(files, path)) {
        f.userDataFolder.clear();
        return;
    }
    f.userDataFolder = path;
    f.userDataFound = true;
    f.userDataDrive = path[0];
}

void loadPluginSelection(win::Machine& machine, FolderSet& f)
{
    f.pluginSelection.clear();
    std::string text;
    if (win::readTextFile(machine, f.pluginListFile, text, 1u << 20) != win::err::SUCCESS)
        return;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        if (!name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty())
            f.pluginSelection.push_back(name);
        start = end + 1;
    }
    std::stable_sort(f.pluginSelection.begin(), f.pluginSelection.end(),
                     [](const std::string& a, const std::string& b) { return win::upperAscii(a) < win::upperAscii(b); });
}

} // namespace

bool GetShellFolder(win::Machine& machine, int csidl, std::string& path)
{
    if (win::shGetFolderPath(machine, csidl, path) == win::err::SUCCESS)
        return true;
    path = "Failed - Path not Found";
    return false;
}

bool GetDiskSpace(win::Machine& machine, char driveLetter, DiskSpaceFigures& out)
{
    out = {};
    win::Volume volume(machine);
    const std::string root = std::string(1, driveLetter) + ":\\";
    win::DiskGeometry geometry;
    if (volume.diskFreeSpace(root, geometry) != win::err::SUCCESS) {
        out.totalSize = out.freeSize = kFailedSize;
        return false;
    }
    out.sectorsPerCluster = geometry.sectorsPerCluster;
    out.bytesPerSector = geometry.bytesPerSector;
    win::DiskSpace space;
    if (volume.diskFreeSpaceEx(root, space) == win::err::SUCCESS) {
        out.totalSize = space.totalBytes / 512;
        out.freeSize = space.totalFreeBytes / 512;
    } else {
        const std::uint64_t cluster = std::uint64_t(geometry.sectorsPerCluster) * geometry.bytesPerSector;
        out.totalSize = geometry.totalClusters * cluster / 512;
        out.freeSize = geometry.freeClusters * cluster / 512;
    }
    return true;
}

std::string ExpandPath(win::Machine& machine, const std::string& text)
{
    std::string expanded = machine.environment().expand(text);
    return expanded.size() < kExpandLimit ? expanded : std::string();
}

std::string LongPath(win::Machine& machine, const std::string& path)
{
    std::size_t start;
    if (path.size() >= 2 && path[1] == ':')
        start = path.size() > 2 && path[2] == '\\' ? 3 : 2;
    else if (path.starts_with("\\"))
        start = 1;
    else
        return path;
    const std::string drive = path.substr(0, start);
    std::vector<std::string> components;
    auto joined = [&drive, &components](std::size_t count) {
        std::string result = drive;
        for (std::size_t i = 0; i < count; ++i)
            result += (i ? "\\" : "") + components[i];
        return result;
    };
    win::FileSystem files(machine);
    bool onDisk = true;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        std::string component = path.substr(start, end - start);
        start = end + 1;
        // "." and ".." are applied, so that the result names the folder itself.
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
            continue;
        }
        if (onDisk && component.find_first_of("*?") == std::string::npos) {
            win::FindData data;
            win::FindHandle handle;
            const std::string parent = joined(components.size());
            const std::string lookup = parent + (parent.size() > drive.size() ? "\\" : "") + component;
            if (files.findFirst(lookup, data, handle) == win::err::SUCCESS) {
                files.findClose(handle);
                component = data.fileName;
            } else {
                onDisk = false;
            }
        }
        components.push_back(component);
    }
    return joined(components.size());
}

void CheckTempFolder(win::Machine& machine, const Keywords& keywords, const FolderSet& f, TempCandidate& c)
{
    c.error = TempCandidate::NotFound;
    c.drive = ' ';
    c.message.clear();
    if (c.path.starts_with(":"))
        return;
    c.path = ExpandPath(machine, c.path);
    if (c.path.size() > 1) {
        c.path = LongPath(machine, c.path);
        dropTrailingBackslash(c.path);
        c.path = win::upperAscii(c.path);
    }
    if (c.path.empty()) {
        c.path = "... Not Found ...";
        c.message = "... No Path Specified ...";
        return;
    }
    win::FileSystem files(machine);
    if (!isFolder(files, c.path)) {
        c.message = "... Folder Not Found ...";
        c.drive = driveOf(c.path);
        return;
    }
    c.error = TempCandidate::Usable;
    c.drive = driveOf(c.path);
    if (!tempNameOk(c.path, keywords.IsKeywordPresent("ANYTEMP"))) {
        c.error = TempCandidate::NameNotTemp;
        c.message = "... not safe to use - Folder name not \"temp\" ...";
    } else if (!clearOfBrowserFolders(c.path, f)) {
        c.error = TempCandidate::HoldsBrowserFolders;
        c.message = "... not safe to use - Contains I.E. folders{...";
    }
}

void BuildTempLists(const GeneralSettings& g, FolderSet& f)
{
    f.displayTemp.clear();
    f.purgeTemp.clear();
    struct Choice {
        FolderSet::TempIndex index;
        const char* label;
        const std::string& selected;
    };
    const Choice choices[] = {{FolderSet::SystemTemp, "System Temp", g.TmpDir},
                              {FolderSet::WindowsTemp, "Windows Temp", g.WinDir},
                              {FolderSet::OldTemp, "Old Temp", g.DosDir},
                              {FolderSet::BootDiskTemp, "BootDisk Temp", g.VolDir}};
    auto contains = [](const std::vector<TempEntry>& list, const std::string& path) {
        return std::any_of(list.begin(), list.end(), [&](const TempEntry& e) { return e.path == path; });
    };
    for (const Choice& choice : choices) {
        const TempCandidate& c = f.temp[choice.index];
        if (c.error != TempCandidate::Usable)
            continue;
        if (!contains(f.displayTemp, c.path))
            f.displayTemp.push_back({c.path, choice.label});
        if (choice.selected == "Y" && !contains(f.purgeTemp, c.path))
            f.purgeTemp.push_back({c.path, choice.label});
    }
    const TempCandidate& fallback = f.temp[FolderSet::FallbackTemp];
    if (f.purgeTemp.empty() && fallback.error == TempCandidate::Usable)
        f.purgeTemp.push_back({fallback.path, "System Temp"});
}

bool FindFolders(win::Machine& machine, const Keywords& keywords, BrowserLevel browser,
                 const GeneralSettings& general, FolderSet& f)
{
    BrowserFolderSearch search(machine, browser);
    f.cacheFolder = search.find(kCache);
    f.cacheFound = !f.cacheFolder.empty();
    f.cacheDrive = driveOf(f.cacheFolder);
    f.cookiesFolder = search.find(kCookies);
    f.cookiesFound = !f.cookiesFolder.empty();
    f.cookiesDrive = driveOf(f.cookiesFolder);
    f.historyFolder = search.find(kHistory);
    f.historyFound = !f.historyFolder.empty();
    f.recentFolder = search.find(kRecent);
    f.recentFound = !f.recentFolder.empty();

    findTypedUrls(machine, f);
    findTempCandidates(machine, keywords, f);
    BuildTempLists(general, f);
    findUserData(machine, f);

    // Without the program's own folders there is nothing to make or read.
    if (!f.execFolder.empty()) {
        f.pluginsFolder = f.execFolder + "\\PLUGINS";
        win::FileSystem files(machine);
        // A folder that cannot be made (a read-only program folder) holds no plugins to run.
        if (!isFolder(files, f.pluginsFolder))
            static_cast<void>(files.createDirectory(f.pluginsFolder));
    }
    if (!f.dataFolder.empty()) {
        f.pluginListFile = f.dataFolder + "\\PLUGINS.DAT";
        loadPluginSelection(machine, f);
    }
    return f.cacheFound && f.cookiesFound && f.historyFound && f.recentFound;
}

} // namespace kp
