#pragma once
// What the companion service answers on its pipe. A request is text with
// fields separated by "|": SID|STAT, SID|FORM, SID|MSNS, and
// REGW|MACH|key|value name|data.

#include <string>
#include <string_view>

namespace kp {

namespace win {
class Machine;
}

struct ServiceRequest {
    enum Kind { Status, Forms, MsnSearches, RegistryWrite, Unknown };
    Kind kind = Unknown;
    std::string sid;                           // Status, Forms, MsnSearches
    std::string key, valueName, data;          // RegistryWrite
};

ServiceRequest parseServiceRequest(std::string_view text);

// The reply to one request: "ServiceOK ..." to STAT, the reply texts of the
// in-process purges for the named user to FORM and MSNS, "OK ..." when REGW
// wrote its value, "*** Error - ..." otherwise.
std::string answerServiceRequest(win::Machine& machine, std::string_view text);

} // namespace kp
