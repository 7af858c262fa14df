#include "tools/reboot_purge.h"

#include "core/identity.h"
#include "core/message_service.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"
#include "platform/system/system_info.h"
#include "service/service_link.h"
#include "settings/folder_set.h"

#include <cmath>

namespace kp {

namespace {

constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kRunServicesOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
constexpr const char* kMessageCaption = "Klenzor  -  Message";

// The path in its short (8.3) form as the machine's command interpreter
// finds it (Wine's short names); empty when the system cannot give one.
std::string shortPath(win::Machine& machine, const std::string& path)
{
    std::string out;
    win::FileSystem files(machine);
    if (path.empty() || files.shortPathName(path, out) != win::err::SUCCESS)
        return {};
    return out;
}

std::string quoted(const std::string& text)
{
    return text.empty() ? text : "\"" + text + "\"";
}

// The short folder holding `program` (".exe") along the system's search
// path, with a trailing backslash; empty when no folder holds it.
std::string toolFolder(win::Machine& machine, const char* program)
{
    std::string folders = win::systemDirectory(machine) + ";" + win::windowsDirectory(machine);
    std::string path;
    if (machine.environment().get("PATH", path) == win::err::SUCCESS && !path.empty())
        folders += ";" + path;
    std::string found;
    if (win::FileSystem(machine).searchPath(folders, program, ".exe", found) != win::err::SUCCESS)
        return {};
    const std::string folder = shortPath(machine, found.substr(0, found.rfind('\\')));
    return folder.empty() ? folder : folder + "\\";
}

} // namespace

bool RebootPurgeChoice::any() const
{
    for (int i = 0; i < kRebootFolderCount; ++i)
        if (whole[i] || indexOnly[i])
            return true;
    return false;
}

const char* RebootFolderName(RebootFolder folder)
{
    static const char* const names[] = {"Cache Folder", "Cookie Folder", "History Folder"};
    return names[folder];
}

const std::string& RebootFolderPath(const FolderSet& folders, RebootFolder folder)
{
    return folder == CacheFolder ? folders.cacheFolder
        : folder == CookiesFolder ? folders.cookiesFolder
                                  : folders.historyFolder;
}

bool RebootFolderFound(const FolderSet& folders, RebootFolder folder)
{
    return folder == CacheFolder ? folders.cacheFound
        : folder == CookiesFolder ? folders.cookiesFound
                                  : folders.historyFound;
}

std::string PurgeinxPath(win::Machine& machine, const FolderSet& folders)
{
    const bool usable = !folders.dataFolder.empty() && !folders.dataFolderReadOnly;
    return (usable ? folders.dataFolder : win::windowsDirectory(machine)) + "\\Purgeinx.bat";
}

PurgeinxBatch BuildPurgeinx(win::Machine& machine, const FolderSet& folders, const RebootPurgeChoice& choice)
{
    const bool nt = win::platformId(machine) == win::platform_id::WIN32_NT;
    const std::string remove = nt ? "RD /S /Q " : quoted(toolFolder(machine, "deltree") + "DelTree") + " /Y ";
    const std::string attrib = quoted(toolFolder(machine, "attrib") + "Attrib") + " -r -s -h ";

    PurgeinxBatch batch;
    batch.text = "rem - Bat file to Klenzor folders at Reboot\r\n";
    std::array<std::string, kRebootFolderCount> shortFolders;
    for (int i = 0; i < kRebootFolderCount; ++i) {
        if (!choice.whole[i] && !choice.indexOnly[i])
            continue;
        const auto folder = RebootFolder(i);
        shortFolders[i] = shortPath(machine, RebootFolderPath(folders, folder));
        if (shortFolders[i].empty()) {
            batch.unresolved.push_back(folder);
            continue;
        }
        const std::string index = quoted(shortFolders[i] + "\\INDEX.DAT");
        batch.text += attrib + index + "\r\n";
        batch.text += "Del " + index + "\r\n";
        batch.hasCommands = true;
    }
    for (int i = 0; i < kRebootFolderCount; ++i)
        if (choice.whole[i] && !shortFolders[i].empty())
            batch.text += remove + quoted(shortFolders[i]) + "\r\n";
    return batch;
}

bool MakeRunOnceEntry(win::Machine& machine, ServiceLink& service, MessageService& messages,
                      const std::string& batchPath)
{
    const bool nt = win::platformId(machine) == win::platform_id::WIN32_NT;
    if (nt && service.PipeRequest(std::string("REGW|MACH|") + kRunOnceKey + "|Klenzor Folders|" + batchPath)
                      .substr(0, 2)
            == "OK")
        return true;
    win::Registry& registry = machine.registry();
    win::RegKey key;
    if (registry.createKey(win::RegRoot::LocalMachine, nt ? kRunOnceKey : kRunServicesOnceKey, key)
            != win::err::SUCCESS
        || registry.setString(key, "Klenzor Folder", quoted(batchPath)) != win::err::SUCCESS) {
        messages.show(kMessageCaption,
                      "Error accessing Registry. \r\nFor Windows NT, you need Registry Privileges for \r\nThis "
                      "function. \r\nPlease see your System Administrator",
                      MsgKind::Error, OK);
        return false;
    }
    return true;
}

bool WriteRebootPurge(win::Machine& machine, const FolderSet& folders, ServiceLink& service,
                      MessageService& messages, const RebootPurgeChoice& choice,
                      std::vector<RebootFolder>& unresolved)
{
    unresolved.clear();
    if (!choice.any()) {
        messages.show(kMessageCaption,
                      "You must select a folder or Index.dat file for\r\n the function to continue.\r\n\r\nYou may "
                      "press Cancel to terminate the function. ",
                      MsgKind::Error, OK);
        return false;
    }
    const std::string path = PurgeinxPath(machine, folders);
    const PurgeinxBatch batch = BuildPurgeinx(machine, folders, choice);
    unresolved = batch.unresolved;
    if (!batch.unresolved.empty()) {
        std::string names;
        for (RebootFolder folder : batch.unresolved)
            names += std::string("\r\n    ") + RebootFolderName(folder);
        messages.show(kMessageCaption,
                      "The short path of these selected folders could not be obtained, so\r\nPurgeinx.bat has no "
                      "line for them:" + names,
                      batch.hasCommands ? MsgKind::Information : MsgKind::Error, OK);
        if (!batch.hasCommands)
            return false;
    }
    if (win::writeTextFile(machine, path, batch.text) != win::err::SUCCESS) {
        messages.show("Klenzor  -  Error",
                      "An error was encountered when trying to write\r\nthe file - Purgeinx.bat\r\nto folder - "
                          + path.substr(0, path.rfind('\\')) + "\r\n\r\nThe function did not succeed.",
                      MsgKind::Error, OK);
        return false;
    }
    return MakeRunOnceEntry(machine, service, messages, path);
}

std::string KlenInxCaption()
{
    return std::string(identity::ProductName) + " - Klenzor Folders at next Reboot";
}

QSize KlenInxSizeFor(QSize designed, double dpi)
{
    const double excess = dpi - 96;
    if (excess < 10)
        return designed;
    const double factor = (96 + excess * 0.2) / 96;
    return {int(std::lround(designed.width() * factor)), int(std::lround(designed.height() * factor))};
}

} // namespace kp
