#pragma once
// Host calls that a signal may interrupt, retried; and the loops that move a
// whole buffer through read, write, pread and pwrite. Results are 0 or the
// errno value of the call that failed.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kp::win {

// Calls `call` again while it fails with EINTR; returns its last result.
template <typename Call>
auto retryInterrupted(Call&& call)
{
    auto result = call();
    while (result == -1 && errno == EINTR)
        result = call();
    return result;
}

// Reads until `size` bytes are in or the file ends; `done` is how many came.
[[nodiscard]] int readAll(int fd, void* buffer, std::size_t size, std::size_t& done);
// The same at `offset`, leaving the file position alone.
[[nodiscard]] int readAllAt(int fd, off_t offset, void* buffer, std::size_t size, std::size_t& done);

// Appends what is left of the file to `out`; EFBIG when `out` would grow
// past `limit` bytes.
[[nodiscard]] int readToEnd(int fd, std::string& out, std::size_t limit = SIZE_MAX);

// Writes all of `data`; `done` is how many bytes went. A write that takes
// nothing is ENOSPC.
[[nodiscard]] int writeAll(int fd, const void* data, std::size_t size, std::size_t& done);
[[nodiscard]] int writeAll(int fd, std::string_view data);
// The same at `offset`, leaving the file position alone.
[[nodiscard]] int writeAllAt(int fd, off_t offset, const void* data, std::size_t size);

} // namespace kp::win
