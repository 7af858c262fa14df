#pragma once
// Runs a function when the scope ends, however it ends.

#include <utility>

namespace kp {

template <typename F>
class ScopeGuard {
public:
    explicit ScopeGuard(F onExit)
        : onExit_(std::move(onExit))
    {
    }
    ~ScopeGuard() { onExit_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    F onExit_;
};

} // namespace kp
