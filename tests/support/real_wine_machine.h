#pragma once
// A prefix made by real Wine that the tests of this user share read-only:
// it is made once (under a lock, so that parallel test processes wait for
// it) and opened by every test process that asks. Tests must not change it.

#include "platform/machine.h"

#include <string>

namespace kp::test {

// The opened machine; nullptr when Wine is not installed or failed (the
// reason is in realWineMachineError()).
kp::win::Machine* realWineMachine();
const std::string& realWineMachineError();

} // namespace kp::test
