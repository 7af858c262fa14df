#include "platform/folder_confinement.h"

#include "platform/dos_paths.h"
#include "platform/machine.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace kp::win {

namespace {
bool realFolder(const std::string& host, std::string& out)
{
    char resolved[PATH_MAX];
    if (!::realpath(host.c_str(), resolved))
        return false;
    out = resolved;
    return true;
}
} // namespace

DWORD pathInsideFolder(Machine& machine, std::string_view folder, std::string_view path, bool& inside)
{
    inside = false;
    std::string folderHost, pathHost, folderReal;
    const DWORD folderError = machine.paths().toHost(folder, folderHost);
    if (folderError == err::PATH_NOT_FOUND || (folderError == err::SUCCESS && !realFolder(folderHost, folderReal)))
        return err::PATH_NOT_FOUND;
    if (folderError)
        return err::INVALID_NAME;
    if (const DWORD e = machine.paths().toHost(path, pathHost))
        return e == err::PATH_NOT_FOUND ? err::SUCCESS : err::INVALID_NAME;
    const std::size_t slash = pathHost.rfind('/');
    if (slash == std::string::npos || slash + 1 == pathHost.size())
        return err::INVALID_NAME;
    std::string parentReal;
    if (!realFolder(slash == 0 ? "/" : pathHost.substr(0, slash), parentReal))
        return err::SUCCESS;
    const std::string name = pathHost.substr(slash + 1);
    if (name == "." || name == "..")
        return err::INVALID_NAME;
    if (folderReal == "/")
        inside = true;
    else
        inside = parentReal == folderReal || (parentReal.starts_with(folderReal) && parentReal[folderReal.size()] == '/');
    return err::SUCCESS;
}

} // namespace kp::win
