// DELFILE and DELFOLD.

#include "platform/files/file_system.h"
#include "platform/files/folder_search.h"
#include "platform/files/win_path.h"
#include "plugins/plugin_interpreter.h"
#include "plugins/plugin_labels.h"
#include "purge/file_delete.h"
#include "purge/purge_context.h"
#include "purge/run_state.h"

namespace kp {

namespace {

struct FolderEntry {
    std::string name;
    std::string shortName;
    bool link = false;
};

std::string withBackslash(const std::string& folder)
{
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

} // namespace

void PluginInterpreter::deleteOneFile(const std::string& path, const std::string& shortName)
{
    count();
    if (preview()) {
        addDetail(plugin_label::ToDelete + path);
        return;
    }
    if (DeleteFileWithOptions(context(), path, shortName))
        addDetail(plugin_label::Deleted + path);
    else
        add(plugin_label::fileResultLabel(context().run.LastErrorCode) + path);
}

void PluginInterpreter::deleteFile(const PluginCommand& command)
{
    deleteOneFile(commandFilePath(command), {});
}

void PluginInterpreter::deleteFolderContents(const PluginCommand& command)
{
    walkFolder(command.FoldFolder, command.FoldFilter, command.FoldType);
}

// Files by mask, then subfolders; a subfolder that is a link is never
// entered, and with DS the link itself is removed.
void PluginInterpreter::walkFolder(const std::string& folder, const std::string& mask, const std::string& option)
{
    if (!context().machine)
        return;
    win::FileSystem files(*context().machine);
    const std::string prefix = withBackslash(folder);

    auto gather = [&](const std::string& pattern, bool folders) {
        std::vector<FolderEntry> entries;
        for (const win::FindData& found : win::FolderSearch(files, pattern)) {
            if (cancelled()) {
                addCancelLine();
                break;
            }
            const bool isFolder = found.attributes & win::attr::DIRECTORY;
            if (isFolder != folders || (folders && found.fileName.starts_with('.')))
                continue;
            entries.push_back(
                {found.fileName, found.alternateFileName, (found.attributes & win::attr::REPARSE_POINT) != 0});
        }
        return entries;
    };

    if (!mask.empty())
        for (const FolderEntry& file : gather(prefix + mask, false))
            deleteOneFile(win::upperAscii(prefix + file.name), file.shortName);

    const std::vector<FolderEntry> subfolders = gather(prefix + "*.*", true);
    if (option == "IS")
        return;
    for (const FolderEntry& sub : subfolders) {
        const std::string path = win::upperAscii(prefix + sub.name);
        if (!sub.link)
            walkFolder(path, mask, option);
        if (option != "DS")
            continue;
        count();
        if (preview()) {
            addDetail(plugin_label::ToDelete + path);
            continue;
        }
        const win::DWORD rc = files.removeDirectory(path);
        if (rc == win::err::SUCCESS)
            addDetail(plugin_label::Deleted + path);
        else
            add(plugin_label::fileResultLabel(rc) + path);
    }
}

} // namespace kp
