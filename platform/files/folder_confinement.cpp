#include "platform/files/folder_confinement.h"

#include "platform/files/dos_paths.h"
#include "platform/machine.h"

#include <string>
#include <sys/stat.h>

namespace kp::win {

DWORD pathInsideFolder(Machine& machine, std::string_view folder, std::string_view path, bool& inside)
{
    inside = false;
    std::string folderHost, pathHost;
    const DWORD folderError = machine.paths().toHost(folder, folderHost);
    struct stat st {};
    if (folderError == err::PATH_NOT_FOUND
        || (folderError == err::SUCCESS && (::stat(folderHost.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))))
        return err::PATH_NOT_FOUND;
    if (folderError)
        return err::INVALID_NAME;
    if (const DWORD e = machine.paths().toHost(path, pathHost))
        return e == err::PATH_NOT_FOUND ? err::SUCCESS : err::INVALID_NAME;
    const std::size_t slash = pathHost.rfind('/');
    if (slash == std::string::npos || slash + 1 == pathHost.size())
        return err::INVALID_NAME;
    const std::string name = pathHost.substr(slash + 1);
    if (name == "." || name == "..")
        return err::INVALID_NAME;
    // Both paths come from the same lookups, so the folder's part is spelt alike.
    const std::string below = folderHost == "/" ? folderHost : folderHost + "/";
    if (!pathHost.starts_with(below))
        return err::SUCCESS;
    for (std::size_t at = pathHost.find('/', below.size()); at != std::string::npos && at <= slash;
         at = pathHost.find('/', at + 1)) {
        if (::lstat(pathHost.substr(0, at).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return err::SUCCESS;
    }
    inside = true;
    return err::SUCCESS;
}

} // namespace kp::win
