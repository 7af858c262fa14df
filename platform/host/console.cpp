#include "platform/host/console.h"

#include "platform/host/host_io.h"

#include <unistd.h>

namespace kp::win {

// A console that cannot be written has nowhere to report it.
void writeStandardOutput(std::string_view text) { static_cast<void>(writeAll(STDOUT_FILENO, text)); }
void writeStandardError(std::string_view text) { static_cast<void>(writeAll(STDERR_FILENO, text)); }

} // namespace kp::win
