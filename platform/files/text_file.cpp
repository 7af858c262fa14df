#include "platform/files/text_file.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/host/atomic_file.h"
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

DWORD writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errorFromErrno(errno);
        text.remove_prefix(std::size_t(n));
    }
    return err::SUCCESS;
}

} // namespace

DWORD writeTextFile(Machine& machine, std::string_view winPath, std::string_view text)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    std::string temp = host.dir + "/." + host.name + ".kp-" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errorFromErrno(errno);
    DWORD rc = writeAll(fd, text);
    if (rc == err::SUCCESS && ::fsync(fd) != 0)
        rc = errorFromErrno(errno);
    if (::close(fd) != 0 && rc == err::SUCCESS)
        rc = errorFromErrno(errno);
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
    int fd = ::open(host.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errorFromErrno(errno);
    DWORD rc = writeAll(fd, text);
    if (rc == err::SUCCESS && ::fsync(fd) != 0)
        rc = errorFromErrno(errno);
    if (::close(fd) != 0 && rc == err::SUCCESS)
        rc = errorFromErrno(errno);
    if (!host.exists)
        machine.paths().noteAdded(host.dir, host.name);
    return rc;
}

DWORD readTextFile(Machine& machine, std::string_view winPath, std::string& out, std::size_t limit)
{
    HostName host;
    if (DWORD rc = resolve(machine, winPath, host); rc != err::SUCCESS)
        return rc;
    int fd = ::open(host.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errorFromErrno(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return err::ACCESS_DENIED;
    }
    std::string data;
    char buffer[65536];
    DWORD rc = err::SUCCESS;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            rc = errorFromErrno(errno);
            break;
        }
        if (n == 0)
            break;
        if (data.size() + std::size_t(n) > limit) {
            rc = err::NOT_ENOUGH_MEMORY;
            break;
        }
        data.append(buffer, std::size_t(n));
    }
    ::close(fd);
    if (rc == err::SUCCESS)
        out = std::move(data);
    return rc;
}

} // namespace kp::win
