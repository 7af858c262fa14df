#include "platform/own_program.h"

#include "platform/dos_paths.h"
#include "platform/machine.h"
#include "platform/win_error.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace kp::win {

DWORD executableFolder(Machine& machine, std::string& winFolder)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return errorFromErrno(errno);
    std::string host(buffer, std::size_t(n));
    const std::size_t slash = host.rfind('/');
    host = slash == 0 ? "/" : host.substr(0, slash);
    std::string win;
    if (DWORD rc = machine.paths().toWindows(host, win); rc != err::SUCCESS)
        return rc;
    while (win.size() > 3 && win.back() == '\\')
        win.pop_back();
    winFolder = win;
    return err::SUCCESS;
}

} // namespace kp::win
