#include "platform/machine.h"

#include "platform/files/dos_paths.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"

#include <cstdlib>
#include <sys/stat.h>

namespace kp::win {

Machine::Machine(std::string prefixDir)
    : prefixDir_(std::move(prefixDir))
    , paths_(std::make_unique<DosPaths>(prefixDir_))
    , registry_(std::make_unique<Registry>(prefixDir_))
{
}

Machine::~Machine() = default;

Environment& Machine::environment()
{
    if (!environment_)
        environment_ = std::make_unique<Environment>(*this);
    return *environment_;
}

namespace {
bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

DWORD Machine::open(const std::string& prefixDir, std::unique_ptr<Machine>& out)
{
    std::string dir = prefixDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (!isDirectory(dir))
        return err::PATH_NOT_FOUND;
    if (!isDirectory(dir + "/dosdevices") || !isRegularFile(dir + "/system.reg"))
        return err::BAD_FORMAT;
    out.reset(new Machine(dir));
    return err::SUCCESS;
}

std::string Machine::defaultPrefixDir()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.wine";
}

} // namespace kp::win
