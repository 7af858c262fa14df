#include "purge/file_delete.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "purge/purge_context.h"
#include "purge/run_state.h"
#include "settings/general_settings.h"

namespace kp {

namespace {

// A drive's root keeps its backslash ("C:\"), as a current directory needs.
std::string currentDirectoryFor(std::string_view folder)
{
    std::string dir(folder);
    if (dir.size() == 2 && dir[1] == ':')
        dir += '\\';
    return dir;
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
    const std::string previous = files.currentDirectory();
    // What these steps fail to do, the delete fails on and reports: a folder
    // that cannot be made current does not hold the file, and a file that
    // stays read-only is refused. The previous folder may have been purged.
    const std::string_view folder = win::folderOf(path);
    if (!folder.empty())
        static_cast<void>(files.setCurrentDirectory(currentDirectoryFor(folder)));

    win::DWORD attributes = 0;
    if (files.getAttributes(path, attributes) == win::err::SUCCESS && (attributes & win::attr::READONLY)
        && !(attributes & win::attr::REPARSE_POINT))
        static_cast<void>(files.setAttributes(path, attributes & ~win::attr::READONLY));
    context.run.LastErrorCode = 0;
    const bool ok = context.run.shred ? ShredFile(context, path, ShredPassCount(context.general))
                                      : PlainDelete(context, path, shortName);
    static_cast<void>(files.setCurrentDirectory(previous));
    return ok;
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
