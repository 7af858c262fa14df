#pragma once
// A request to the companion service: text with fields separated by "|":
// SID|STAT, SID|FORM, SID|MSNS, and REGW|MACH|key|value name|data.

#include <string>
#include <string_view>

namespace kp {

struct ServiceRequest {
    enum Kind { Status, Forms, MsnSearches, RegistryWrite, Unknown };
    Kind kind = Unknown;
    std::string sid;                           // Status, Forms, MsnSearches
    std::string key, valueName, data;          // RegistryWrite
};

ServiceRequest parseServiceRequest(std::string_view text);

} // namespace kp
