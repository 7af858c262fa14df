#include "platform/system/own_program.h"

#include "platform/files/dos_paths.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace kp::win {

DWORD executablePath(Machine& machine, std::string& winPath)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return errorFromErrno(errno);
    return machine.paths().toWindows(std::string(buffer, std::size_t(n)), winPath);
}

DWORD executableFolder(Machine& machine, std::string& winFolder)
{
    std::string path;
    if (DWORD rc = executablePath(machine, path); rc != err::SUCCESS)
        return rc;
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return err::INVALID_NAME;
    winFolder = path.substr(0, slash == 2 ? 3 : slash); // a drive's root keeps its backslash
    return err::SUCCESS;
}

} // namespace kp::win
