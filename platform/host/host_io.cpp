#include "platform/host/host_io.h"

#include <unistd.h>

namespace kp::win {

namespace {

// Calls `step(at, count, done)` until `size` bytes have moved; a step that
// moves nothing ends a read and fails a write.
template <typename Byte, typename Step>
int transferAll(Byte* data, std::size_t size, std::size_t& done, bool writing, Step step)
{
    done = 0;
    while (done < size) {
        const ssize_t n = retryInterrupted([&] { return step(data + done, size - done, done); });
        if (n < 0)
            return errno;
        if (n == 0)
            return writing ? ENOSPC : 0;
        done += std::size_t(n);
    }
    return 0;
}

} // namespace

int readAll(int fd, void* buffer, std::size_t size, std::size_t& done)
{
    return transferAll(static_cast<char*>(buffer), size, done, false,
                       [fd](char* at, std::size_t count, std::size_t) { return ::read(fd, at, count); });
}

int readAllAt(int fd, off_t offset, void* buffer, std::size_t size, std::size_t& done)
{
    return transferAll(static_cast<char*>(buffer), size, done, false,
                       [fd, offset](char* at, std::size_t count, std::size_t moved) {
                           return ::pread(fd, at, count, offset + off_t(moved));
                       });
}

int readToEnd(int fd, std::string& out, std::size_t limit)
{
    char buffer[65536];
    for (std::size_t got = sizeof buffer; got == sizeof buffer;) {
        if (int error = readAll(fd, buffer, sizeof buffer, got))
            return error;
        if (out.size() + got > limit)
            return EFBIG;
        out.append(buffer, got);
    }
    return 0;
}

int writeAll(int fd, const void* data, std::size_t size, std::size_t& done)
{
    return transferAll(static_cast<const char*>(data), size, done, true,
                       [fd](const char* at, std::size_t count, std::size_t) { return ::write(fd, at, count); });
}

int writeAll(int fd, std::string_view data)
{
    std::size_t done = 0;
    return writeAll(fd, data.data(), data.size(), done);
}

int writeAllAt(int fd, off_t offset, const void* data, std::size_t size)
{
    std::size_t done = 0;
    return transferAll(static_cast<const char*>(data), size, done, true,
                       [fd, offset](const char* at, std::size_t count, std::size_t moved) {
                           return ::pwrite(fd, at, count, offset + off_t(moved));
                       });
}

} // namespace kp::win
