// Service requests of any bytes: parsing never fails, and what it accepts is
// exactly the request sent, cut at its bars into a known command's fields.

#include "service/service_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kp::ServiceRequest request = kp::parseServiceRequest(text);
    switch (request.kind) {
    case kp::ServiceRequest::RegistryWrite:
        if (request.key.empty() || request.key.find('|') != std::string::npos
            || request.valueName.find('|') != std::string::npos || !request.sid.empty()
            || "REGW|MACH|" + request.key + "|" + request.valueName + "|" + request.data != text)
            std::abort();
        break;
    case kp::ServiceRequest::Status:
    case kp::ServiceRequest::Forms:
    case kp::ServiceRequest::MsnSearches: {
        const char* command = request.kind == kp::ServiceRequest::Status  ? "STAT"
                              : request.kind == kp::ServiceRequest::Forms ? "FORM"
                                                                          : "MSNS";
        const bool plainSid = request.sid.rfind("S-1-", 0) == 0
                              && request.sid.find_first_of(std::string("|\0", 2)) == std::string::npos;
        if (!plainSid || !request.key.empty() || request.sid + "|" + command != text)
            std::abort();
        break;
    }
    case kp::ServiceRequest::Unknown:
        if (!request.key.empty() || !request.valueName.empty() || !request.data.empty())
            std::abort();
        break;
    }
    return 0;
}
