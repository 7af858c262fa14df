#include "platform/files/removal_checks.h"

#include "platform/files/file_system.h"
#include "platform/files/share_modes.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace kp::win {

DWORD checkFileDeletable(int dirFd, const char* name, const DeletionRefusals* refusals)
{
    // The mode alone tells a link, a folder and a read-only file (as
    // readHostFileInfo reads them); hidden and system files may go. Without
    // a list of refusals it comes from the handle that the share check
    // needs, when the file opens: a link does not (O_NOFOLLOW), and neither
    // may an unreadable file.
    const UniqueFd fd(refusals ? -1 : ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd ? ::fstat(fd.get(), &st) != 0 : ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errorFromErrno(errno);
    if (S_ISLNK(st.st_mode))
        return err::SUCCESS;
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR))
        return err::ACCESS_DENIED;
    const bool refused = refusals ? refusals->refuses(st) : fd && deletionRefused(fd.get());
    return refused ? err::SHARING_VIOLATION : err::SUCCESS;
}

DWORD removeFolderAt(int dirFd, const char* name, const struct stat* current)
{
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errorFromErrno(errno);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::fstatat(dirFd, name, &target, 0) != 0 || !S_ISDIR(target.st_mode))
            return err::DIRECTORY;
        return ::unlinkat(dirFd, name, 0) == 0 ? err::SUCCESS : errorFromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return err::DIRECTORY;
    if (current && current->st_dev == st.st_dev && current->st_ino == st.st_ino)
        return err::SHARING_VIOLATION;
    if (::unlinkat(dirFd, name, AT_REMOVEDIR) != 0)
        return errorFromErrno(errno, {{EEXIST, err::DIR_NOT_EMPTY}});
    return err::SUCCESS;
}

bool statCurrentDirectory(FileSystem& files, struct stat& out)
{
    std::string host;
    return files.hostPath(files.currentDirectory(), host) == err::SUCCESS && ::stat(host.c_str(), &out) == 0;
}

} // namespace kp::win
