#include "platform/system/service_start.h"

#include "platform/files/file_system.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/service_manager.h"
#include "platform/system/wine_session.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

namespace {

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The nearest folder at or above `folder` that is a Wine prefix, "" when none.
std::string enclosingPrefix(std::string folder)
{
    while (!folder.empty()) {
        if (isFile(folder + "/system.reg") && isFolder(folder + "/dosdevices"))
            return folder;
        const std::size_t slash = folder.rfind('/');
        folder = slash == std::string::npos || slash == 0 ? std::string() : folder.substr(0, slash);
    }
    return {};
}

std::string realPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

} // namespace

DWORD servedMachineDir(std::string_view name, std::string& prefixDir)
{
    if (const char* named = std::getenv("WINEPREFIX"); named && *named) {
        prefixDir = named;
        return err::SUCCESS;
    }
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return errorFromErrno(errno);
    const std::string prefix = enclosingPrefix(buffer);
    if (prefix.empty())
        return err::PATH_NOT_FOUND;
    if (!detectWineSession(prefix).running)
        return err::SERVICE_NOT_ACTIVE;
    std::unique_ptr<Machine> machine;
    if (DWORD e = Machine::open(prefix, machine))
        return e;
    RegKey key;
    std::string image, host;
    if (machine->registry().openKey(RegRoot::LocalMachine, std::string(kServicesKey) + "\\" + std::string(name), false,
                                    key)
        || machine->registry().queryString(key, "ImagePath", image)
        || FileSystem(*machine).hostPath(image, host))
        return err::SERVICE_DOES_NOT_EXIST;
    const std::string self = realPath("/proc/self/exe");
    if (self.empty() || realPath(host) != self)
        return err::SERVICE_DOES_NOT_EXIST;
    prefixDir = prefix;
    return err::SUCCESS;
}

} // namespace kp::win
