#include "platform/host/console.h"

#include <cerrno>
#include <unistd.h>

namespace kp::win {

namespace {
void writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text.remove_prefix(std::size_t(n));
    }
}
} // namespace

void writeStandardOutput(std::string_view text) { writeAll(STDOUT_FILENO, text); }
void writeStandardError(std::string_view text) { writeAll(STDERR_FILENO, text); }

} // namespace kp::win
