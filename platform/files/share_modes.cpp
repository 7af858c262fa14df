#include "platform/files/share_modes.h"

#include <fcntl.h>

namespace kp::win {

namespace {

constexpr off_t kMarkBase = 0x7FFFFFFFFFFFFF00;

enum Mark : off_t { UsesRead, UsesWrite, UsesDelete, DeniesRead, DeniesWrite, DeniesDelete };

bool marked(int fd, Mark mark)
{
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kMarkBase + mark;
    probe.l_len = 1;
    if (::fcntl(fd, F_OFD_GETLK, &probe) != 0)
        return false;
    return probe.l_type != F_UNLCK;
}

bool setMark(int fd, Mark mark)
{
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkBase + mark;
    lock.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

} // namespace

DWORD claimShareMode(int fd, DWORD desiredAccess, DWORD shareMode)
{
    const bool uses[3] = {access::reads(desiredAccess), access::writes(desiredAccess), access::deletes(desiredAccess)};
    const bool denies[3] = {!(shareMode & share::READ), !(shareMode & share::WRITE), !(shareMode & share::DELETE)};
    for (int i = 0; i < 3; ++i) {
        if (uses[i] && marked(fd, Mark(DeniesRead + i)))
            return err::SHARING_VIOLATION;
        if (denies[i] && marked(fd, Mark(UsesRead + i)))
            return err::SHARING_VIOLATION;
    }
    // Where the file system keeps no locks the handle opens without marks.
    for (int i = 0; i < 3; ++i) {
        if (uses[i])
            setMark(fd, Mark(UsesRead + i));
        if (denies[i])
            setMark(fd, Mark(DeniesRead + i));
    }
    return err::SUCCESS;
}

bool deletionRefused(int fd)
{
    return marked(fd, DeniesDelete);
}

} // namespace kp::win
