#pragma once
// An owned host file descriptor: closed exactly once, when it goes, is
// reset or is closed; movable, not copyable.

#include <utility>

namespace kp::win {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept
        : fd_(fd)
    {
    }
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept
        : fd_(other.release())
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    // Gives the descriptor up without closing it.
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }
    // Closes the descriptor held, if any, and holds `fd`.
    void reset(int fd = -1) noexcept;
    // Closes the descriptor now: 0, or the errno value close reported (a
    // late write error on some file systems). The descriptor is gone either
    // way.
    [[nodiscard]] int close() noexcept;

private:
    int fd_ = -1;
};

} // namespace kp::win
