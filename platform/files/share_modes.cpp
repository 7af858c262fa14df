#include "platform/files/share_modes.h"

#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/sysmacros.h>

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

bool DeletionRefusals::read()
{
    files_.clear();
    std::string listing;
    const UniqueFd locks(::open("/proc/locks", O_RDONLY | O_CLOEXEC));
    if (!locks || readToEnd(locks.get(), listing) != 0)
        return false;
    // "1: OFDLCK ADVISORY  READ -1 fd:01:1234 <first> <last or EOF>", a lock
    // that waits with "->" after its number; device numbers in hex. The
    // host lists a handle's adjacent marks as one range.
    constexpr long long refusal = kMarkBase + DeniesDelete;
    for (std::size_t at = 0; at < listing.size();) {
        std::size_t end = listing.find('\n', at);
        if (end == std::string::npos)
            end = listing.size();
        const std::string line = listing.substr(at, end - at);
        at = end + 1;
        const std::size_t kind = line.find(" OFDLCK ");
        if (kind == std::string::npos)
            continue;
        char type[8] = {};
        char last[24] = {};
        int pid = 0;
        File file {};
        long long first = 0;
        if (std::sscanf(line.c_str() + kind, " OFDLCK ADVISORY %7s %d %x:%x:%" SCNu64 " %lld %23s", type, &pid,
                        &file.major, &file.minor, &file.inode, &first, last)
                == 7
            && first <= refusal && (std::string_view(last) == "EOF" || std::atoll(last) >= refusal))
            files_.push_back(file);
    }
    return true;
}

bool DeletionRefusals::refuses(const struct stat& file) const
{
    for (const File& f : files_)
        if (f.inode == file.st_ino && f.major == ::major(file.st_dev) && f.minor == ::minor(file.st_dev))
            return true;
    return false;
}

} // namespace kp::win
