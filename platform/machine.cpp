#include "platform/machine.h"

#include "platform/files/dos_paths.h"
#include "platform/host/win_error.h"
#include "platform/registry/registry.h"
#include "platform/system/environment.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
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

DWORD Machine::validate(std::string& problem)
{
    const struct {
        const char* file;
        RegRoot root;
    } hives[] = {{"system.reg", RegRoot::LocalMachine}, {"user.reg", RegRoot::CurrentUser}};
    for (const auto& hive : hives) {
        const std::string name = std::string("The registry file ") + hive.file;
        struct stat st {};
        if (::stat((prefixDir_ + "/" + hive.file).c_str(), &st) != 0) {
            const int error = errno;
            problem = name + (error == ENOENT ? " is missing." : " cannot be reached.");
            return errorFromErrno(error);
        }
        if (!S_ISREG(st.st_mode)) {
            problem = name + " is not a file.";
            return err::BADDB;
        }
        RegKey key;
        if (const DWORD rc = registry_->openKey(hive.root, "", false, key); rc != err::SUCCESS) {
            problem = name + (rc == err::BADDB ? " is empty or damaged." : " cannot be read.");
            return rc;
        }
    }

    const std::string driveC = prefixDir_ + "/dosdevices/c:";
    struct stat link {};
    if (::lstat(driveC.c_str(), &link) != 0) {
        problem = "Drive C: is missing (no dosdevices/c: link).";
        return err::INVALID_DRIVE;
    }
    char real[PATH_MAX];
    if (!::realpath(driveC.c_str(), real)) {
        problem = errno == ELOOP ? "Drive C: is a link that leads back to itself."
                                 : "Drive C: leads to a folder that does not exist.";
        return err::INVALID_DRIVE;
    }
    if (!isDirectory(real)) {
        problem = "Drive C: does not lead to a folder.";
        return err::INVALID_DRIVE;
    }
    if (std::string_view(real) == "/") {
        problem = "Drive C: is the host's root folder.";
        return err::INVALID_DRIVE;
    }
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
