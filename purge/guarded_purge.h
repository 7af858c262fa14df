#pragma once
// The frame of a purge function: an unexpected failure inside `body` writes
// "*** Error in above Function.", raises the error level to 9 and tells
// standard error what failed.

#include <functional>
#include <string_view>

namespace kp {

struct PurgeContext;

void guardedPurge(PurgeContext& context, std::string_view functionName, const std::function<void()>& body);

} // namespace kp
