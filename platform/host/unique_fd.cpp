#include "platform/host/unique_fd.h"

#include <cerrno>
#include <unistd.h>

namespace kp::win {

void UniqueFd::reset(int fd) noexcept
{
    const int old = std::exchange(fd_, fd);
    if (old >= 0 && old != fd) {
        const int saved = errno; // a failed call's errno outlives the cleanup
        ::close(old);
        errno = saved;
    }
}

int UniqueFd::close() noexcept
{
    const int fd = std::exchange(fd_, -1);
    // Never retried: Linux releases the descriptor even when close fails.
    if (fd < 0 || ::close(fd) == 0)
        return 0;
    return errno;
}

} // namespace kp::win
