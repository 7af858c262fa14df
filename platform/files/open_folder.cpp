#include "platform/files/open_folder.h"

#include "platform/files/dos_paths.h"
#include "platform/files/dos_wildcard.h"
#include "platform/files/file_attributes.h"
#include "platform/files/file_system.h"
#include "platform/files/removal_checks.h"
#include "platform/files/wine_short_names.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Folder and link from the listing's type, asking the host only where the
// file system does not say.
bool readKind(int dirFd, const char* name, unsigned char type, OpenFolder::Entry& entry)
{
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    entry.link = type == DT_LNK;
    entry.folder = type == DT_DIR || (entry.link && ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode));
    return true;
}

bool matches(std::string_view name, std::string_view mask)
{
    if (matchesDosMask(name, mask))
        return true;
    const std::string shortName = wineShortName(name);
    return shortName != name && matchesDosMask(shortName, mask);
}

} // namespace

OpenFolder::OpenFolder(Machine& machine)
    : machine_(machine)
{
}

DWORD OpenFolder::checkName(std::string_view name)
{
    return name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos
        ? err::INVALID_NAME
        : err::SUCCESS;
}

std::string OpenFolder::childHost(const std::string& name) const
{
    return (host_ == "/" ? "" : host_) + "/" + name;
}

DWORD OpenFolder::open(std::string_view path)
{
    FileSystem files(machine_);
    std::string host;
    bool exists = false;
    if (DWORD e = files.hostPath(path, host, &exists))
        return e;
    if (!exists)
        return err::PATH_NOT_FOUND;
    UniqueFd fd(::open(host.c_str(), kFolderFlags));
    if (!fd)
        return errorFromErrno(errno);
    fd_ = std::move(fd);
    host_ = std::move(host);
    return err::SUCCESS;
}

DWORD OpenFolder::openSubfolder(const OpenFolder& parent, std::string_view name)
{
    if (DWORD e = checkName(name))
        return e;
    const std::string n(name);
    UniqueFd fd(::openat(parent.fd_.get(), n.c_str(), kFolderFlags | O_NOFOLLOW));
    if (!fd)
        return errorFromErrno(errno, {{ENOENT, err::PATH_NOT_FOUND}, {ELOOP, err::PATH_NOT_FOUND}});
    fd_ = std::move(fd);
    host_ = parent.childHost(n);
    return err::SUCCESS;
}

DWORD OpenFolder::list(std::string_view mask, std::vector<Entry>& out)
{
    out.clear();
    if (!fd_)
        return err::INVALID_HANDLE;
    refusalsRead_ = refusals_.read();
    if (::lseek(fd_.get(), 0, SEEK_SET) != 0)
        return errorFromErrno(errno);
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t n = ::getdents64(fd_.get(), buffer, sizeof buffer);
        if (n < 0)
            return errorFromErrno(errno);
        if (n == 0)
            return err::SUCCESS;
        for (ssize_t at = 0; at < n;) {
            const auto* found = reinterpret_cast<const dirent64*>(buffer + at);
            at += found->d_reclen;
            const std::string_view name = found->d_name;
            if (name == "." || name == ".." || !matches(name, mask))
                continue;
            Entry entry {std::string(name)};
            if (readKind(fd_.get(), found->d_name, found->d_type, entry))
                out.push_back(std::move(entry));
        }
    }
}

DWORD OpenFolder::deleteFile(std::string_view name)
{
    if (DWORD e = checkName(name))
        return e;
    const std::string n(name);
    if (DWORD e = checkFileDeletable(fd_.get(), n.c_str(), refusalsRead_ ? &refusals_ : nullptr))
        return e;
    if (::unlinkat(fd_.get(), n.c_str(), 0) != 0)
        return errorFromErrno(errno);
    machine_.paths().noteRemoved(host_, n);
    return err::SUCCESS;
}

DWORD OpenFolder::removeDirectory(std::string_view name)
{
    if (DWORD e = checkName(name))
        return e;
    const std::string n(name);
    FileSystem files(machine_);
    struct stat current {};
    const bool hasCurrent = statCurrentDirectory(files, current);
    if (DWORD e = removeFolderAt(fd_.get(), n.c_str(), hasCurrent ? &current : nullptr))
        return e;
    machine_.paths().noteRemoved(host_, n);
    machine_.paths().forget(childHost(n));
    return err::SUCCESS;
}

DWORD OpenFolder::clearReadOnly(std::string_view name, bool& cleared)
{
    cleared = false;
    if (DWORD e = checkName(name))
        return e;
    const std::string n(name);
    const UniqueFd fd(::openat(fd_.get(), n.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return errno == ELOOP ? err::SUCCESS : errorFromErrno(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errorFromErrno(errno);
    if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR))
        return err::SUCCESS;
    if (::fchmod(fd.get(), writableMode(st.st_mode & 07777)) != 0)
        return errorFromErrno(errno);
    cleared = true;
    return err::SUCCESS;
}

} // namespace kp::win
