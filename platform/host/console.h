#pragma once
// The process's standard output and standard error streams.

#include <string_view>

namespace kp::win {

// Writes `text` as it stands and flushes; failures are ignored.
void writeStandardOutput(std::string_view text);
void writeStandardError(std::string_view text);

} // namespace kp::win
