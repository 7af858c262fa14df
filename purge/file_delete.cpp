#include "purge/file_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/open_folder.h"
#include "platform/files/win_path.h"
#include "purge/purge_context.h"
#include "purge/run_state.h"
#include "settings/general_settings.h"

namespace kp {

namespace {

// Clears the read-only attribute of `path` when it is set; true when it was.
// A link's attribute is its target's and stays.
bool clearedReadOnly(win::FileSystem& files, std::string_view path)
{
    win::DWORD attributes = 0;
    if (files.getAttributes(path, attributes) != win::err::SUCCESS || !(attributes & win::attr::READONLY)
        || (attributes & win::attr::REPARSE_POINT))
        return false;
    return files.setAttributes(path, attributes & ~win::attr::READONLY) == win::err::SUCCESS;
}

} // namespace

int ShredPassCount(const GeneralSettings& general)
{
    return general.Thoroughness != "0" ? general.Repeats : 0;
}

bool DeleteFileWithOptions(PurgeContext& context, std::string_view path, std::string_view shortName)
{
    if (!context.machine) {
        context.run.LastErrorCode = win::err::INVALID_FUNCTION;
        return false;
    }
    win::FileSystem files(*context.machine);
    context.run.LastErrorCode = 0;
    if (context.run.shred) {
        clearedReadOnly(files, path);
        return ShredFile(context, path, ShredPassCount(context.general));
    }
    // Most files are not read-only: their attributes are read only when the
    // delete is refused. A file that stays read-only is refused again.
    if (PlainDelete(context, path, shortName) || context.run.LastErrorCode != win::err::ACCESS_DENIED
        || !clearedReadOnly(files, path))
        return context.run.LastErrorCode == win::err::SUCCESS;
    return PlainDelete(context, path, shortName);
}

bool DeleteFolderEntry(PurgeContext& context, win::OpenFolder& folder, std::string_view name, std::string_view path)
{
    if (context.run.shred)
        return DeleteFileWithOptions(context, path, {});
    win::DWORD& error = context.run.LastErrorCode;
    error = folder.deleteFile(name);
    bool cleared = false;
    if (error == win::err::ACCESS_DENIED && folder.clearReadOnly(name, cleared) == win::err::SUCCESS && cleared)
        error = folder.deleteFile(name);
    return error == win::err::SUCCESS;
}

bool PlainDelete(PurgeContext& context, std::string_view path, std::string_view shortName)
{
    if (!context.machine) {
        context.run.LastErrorCode = win::err::INVALID_FUNCTION;
        return false;
    }
    win::FileSystem files(*context.machine);
    win::DWORD& error = context.run.LastErrorCode;
    error = files.deleteFile(path);
    if ((error == win::err::FILE_NOT_FOUND || error == win::err::PATH_NOT_FOUND) && !shortName.empty()
        && shortName.front() != ' ') {
        const std::string_view folder = win::folderOf(path);
        const std::string byShortName = folder.empty() ? std::string(shortName)
                                                       : std::string(folder) + "\\" + std::string(shortName);
        if (files.deleteFile(byShortName) == win::err::SUCCESS)
            error = win::err::SUCCESS;
    }
    return error == win::err::SUCCESS;
}

} // namespace kp
