#pragma once
// What the companion service answers on its pipe.

#include "service/service_request.h"

#include <string>
#include <string_view>

namespace kp {

namespace win {
class Machine;
}

// The reply to one request: "ServiceOK ..." to STAT, the reply texts of the
// in-process purges for the named user to FORM and MSNS, "OK ..." when REGW
// wrote its value, "*** Error - ..." otherwise.
std::string answerServiceRequest(win::Machine& machine, std::string_view text);

} // namespace kp
