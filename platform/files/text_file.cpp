#include "platform/files/text_file.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/host/atomic_file.h"
#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

namespace {

struct HostName {
    std::string path;
    std::string dir;
    std::string name;
    bool exists = false;
};

DWORD resolve(Machine& machine, std::string_view winPath, HostName& out)
{
    DWORD rc = machine.paths().toHost(winPath, out.path, &out.exists);
    if (rc != err::SUCCESS)
        return rc;
    std::size_t slash = out.path.rfind('/');
    if (slash == std::string::npos || slash + 1 == out.path.size())
        return err::INVALID_NAME;
    out.dir = slash == 0 ? "/" : out.path.substr(0, slash);
    out.name = out.path.substr(slash + 1);
    return err::SUCCESS;
}

// Writes `text`, flushes it to the disk and closes the file.
DWORD writeFlushClose(UniqueFd file, std::string_view text)
{
    int error = writeAll(file.get(), text);
    if (!error && ::fsync(file.get()) != 0)
        error = errno;
    if (const int closed = file.close(); !error)
        error = closed;
    return errorFromErrno(error);
}

} // namespace

DWORD writeTextFile(Machine& machine, std::string_view winPath, std::string_view text)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    std::string temp = host.dir + "/." + host.name + ".kp-" + std::to_string(::getpid());
    UniqueFd file(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file)
        return errorFromErrno(errno);
    DWORD rc = writeFlushClose(std::move(file), text);
    if (rc == err::SUCCESS && ::rename(temp.c_str(), host.path.c_str()) != 0)
        rc = errorFromErrno(errno);
    if (rc != err::SUCCESS) {
        ::unlink(temp.c_str());
        return rc;
    }
    if (!host.exists)
        machine.paths().noteAdded(host.dir, host.name);
    return err::SUCCESS;
}

DWORD replaceTextFile(Machine& machine, std::string_view winPath, std::string_view text)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    if (host.exists) {
        HostFileInfo info;
        if (DWORD rc = readHostFileInfo(host.path, info); rc != err::SUCCESS)
            return rc;
        if (info.attributes & (attr::READONLY | attr::DIRECTORY))
            return err::ACCESS_DENIED;
    }
    if (DWORD rc = replaceFileAtomically(host.path, text); rc != err::SUCCESS)
        return rc;
    if (!host.exists)
        machine.paths().noteAdded(host.dir, host.name);
    return err::SUCCESS;
}

DWORD appendTextFile(Machine& machine, std::string_view winPath, std::string_view text)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    UniqueFd file(::open(host.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file)
        return errorFromErrno(errno);
    const DWORD rc = writeFlushClose(std::move(file), text);
    if (!host.exists)
        machine.paths().noteAdded(host.dir, host.name);
    return rc;
}

DWORD readTextFile(Machine& machine, std::string_view winPath, std::string& out, std::size_t limit)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    const UniqueFd file(::open(host.path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        return errorFromErrno(errno);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return err::ACCESS_DENIED;
    std::string data;
    if (int error = readToEnd(file.get(), data, limit))
        return errorFromErrno(error, {{EFBIG, err::NOT_ENOUGH_MEMORY}});
    out = std::move(data);
    return err::SUCCESS;
}

} // namespace kp::win
