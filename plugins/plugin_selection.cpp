#include "plugins/plugin_selection.h"

#include "platform/files/file_system.h"
#include "platform/files/folder_search.h"
#include "platform/files/text_file.h"
#include "platform/files/win_path.h"
#include "settings/folder_set.h"

#include <algorithm>

namespace kp {

std::vector<std::string> listPluginFiles(win::Machine& machine, const std::string& folder)
{
    std::vector<std::string> names;
    win::FileSystem files(machine);
    for (const win::FindData& found : win::FolderSearch(files, folder + "\\*.*")) {
        if (found.attributes & win::attr::DIRECTORY)
            continue;
        const std::string name = win::upperAscii(found.fileName);
        if (name.ends_with(".STD") || name.ends_with(".CUS"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void addToSelection(std::vector<std::string>& selection, const std::string& name)
{
    const std::string key = win::upperAscii(name);
    const auto at = std::lower_bound(selection.begin(), selection.end(), key,
                                     [](const std::string& a, const std::string& b) { return win::upperAscii(a) < b; });
    if (at == selection.end() || win::upperAscii(*at) != key)
        selection.insert(at, name);
}

win::DWORD savePluginSelection(win::Machine& machine, FolderSet& folders, const std::vector<std::string>& names)
{
    if (folders.dataFolderReadOnly)
        return win::err::SUCCESS;
    std::vector<std::string> selection;
    for (const std::string& name : names)
        addToSelection(selection, name);
    std::string text;
    for (const std::string& name : selection)
        text += name + "\r\n";
    win::FileSystem files(machine);
    win::DWORD attributes = 0;
    if (files.getAttributes(folders.pluginListFile, attributes) == win::err::SUCCESS
        && (attributes & win::attr::READONLY)) {
        // A file that stays read-only fails the write that follows, which says so.
        static_cast<void>(files.setAttributes(folders.pluginListFile, attributes & ~win::attr::READONLY));
    }
    if (const win::DWORD error = win::writeTextFile(machine, folders.pluginListFile, text))
        return error;
    folders.pluginSelection = std::move(selection);
    return win::err::SUCCESS;
}

} // namespace kp
