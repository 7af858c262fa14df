#include "settings/data_folder.h"

#include "core/keywords.h"
#include "core/run_mode.h"
#include "platform/files/file_system.h"
#include "platform/files/volume.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/system/environment.h"
#include "platform/system/system_info.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"

namespace kp {

namespace {

// ExpandEnvironmentStrings into a buffer of this many characters.
constexpr std::size_t kExpandBuffer = 100;

bool isFolder(win::FileSystem& files, const std::string& path)
{
    win::DWORD attributes = 0;
    return files.getAttributes(path, attributes) == win::err::SUCCESS && (attributes & win::attr::DIRECTORY);
}

bool expandInto(win::Machine& machine, const std::string& text, std::string& out)
{
    out = machine.environment().expand(text);
    return out.size() < kExpandBuffer;
}

// The folder %klenzordat% names, existing or made; "" when it names none.
std::string environmentFolder(win::Machine& machine)
{
    const std::string name = "%klenzordat%";
    std::string once, twice;
    if (!expandInto(machine, name, once) || !expandInto(machine, once, twice) || twice == name)
        return {};
    if (twice.size() > 1 && twice.back() == '\\')
        twice.pop_back();
    win::FileSystem files(machine);
    if (isFolder(files, twice) || files.createDirectory(twice) == win::err::SUCCESS)
        return twice;
    return {};
}

std::string driveRootOf(const std::string& folder)
{
    if (folder.size() >= 2 && folder[1] == ':')
        return folder.substr(0, 2) + "\\";
    return folder.substr(0, 1) + "\\";
}

void setDrive(win::Machine& machine, FolderSet& f)
{
    if (f.dataFolder.empty()) {
        f.dataFolderDrive.clear();
        f.dataFolderDriveType = int(win::drive::UNKNOWN);
        return;
    }
    f.dataFolderDrive = driveRootOf(f.dataFolder);
    f.dataFolderDriveType = int(win::Volume(machine).driveType(f.dataFolderDrive));
}

std::string migrate(win::Machine& machine, const FolderSet& f)
{
    if (win::upperAscii(f.previousDataFolder) == win::upperAscii(f.dataFolder))
        return {};
    win::FileSystem files(machine);
    for (const char* name : {"KlenPro.Ini", "KlenPro.Dat", "Plugins.Dat"}) {
        const std::string from = f.previousDataFolder + "\\" + name;
        const std::string to = f.dataFolder + "\\" + name;
        if (files.exists(to) || !files.exists(from))
            continue;
        if (files.copyFile(from, to, true) == win::err::SUCCESS)
            continue;
        win::File source;
        if (files.createFile(from, win::access::GENERIC_READ, win::share::READ, win::Disposition::OpenExisting, 0,
                             source)
            != win::err::SUCCESS)
            return std::string("Cannot open file ") + name;
        return std::string("Cannot create file ") + name;
    }
    return {};
}

} // namespace

std::string ResolveDataFolder(win::Machine& machine, const Keywords& keywords, const std::string& execFolder,
                              FolderSet& f)
{
    if (!f.dataFolder.empty())
        return {};
    f.trace = keywords.IsKeywordPresent("TRACE");
    f.modePrefix = ModePrefix(keywords);

    f.dataFolder = environmentFolder(machine);
    if (!f.dataFolder.empty()) {
        f.dataFolderFromEnv = true;
        setDrive(machine, f);
        return {};
    }

    f.dataFolder = execFolder;
    while (f.dataFolder.size() > 1 && f.dataFolder.back() == '\\')
        f.dataFolder.pop_back();
    setDrive(machine, f);
    if (keywords.IsKeywordPresent("CDEXEC") || f.dataFolderDriveType == int(win::drive::CDROM)) {
        f.dataFolderReadOnly = true;
        return {};
    }
    if (keywords.IsKeywordPresent("SERVER") || f.dataFolderDriveType == int(win::drive::REMOTE)
        || f.dataFolderDriveType == int(win::drive::RAMDISK)) {
        f.dataFolder = win::windowsDirectory(machine);
        setDrive(machine, f);
    }

    std::string appData;
    win::FileSystem files(machine);
    if (!GetShellFolder(machine, 26, appData) || !isFolder(files, appData))
        return {};
    const std::string named = keywords.KeywordValue("data");
    const std::string folder = appData + "\\" + (named.empty() ? std::string("Klenzor") : named);
    // Without the new folder the data stays where it was.
    if (!isFolder(files, folder) && files.createDirectory(folder) != win::err::SUCCESS)
        return {};
    f.previousDataFolder = f.dataFolder;
    f.previousDataFolderDrive = f.dataFolderDrive;
    f.previousDataFolderDriveType = f.dataFolderDriveType;
    f.dataFolder = folder;
    setDrive(machine, f);
    return migrate(machine, f);
}

} // namespace kp
