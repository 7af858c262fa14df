#include "service/service_request.h"

#include <vector>

namespace kp {

namespace {

std::vector<std::string> fields(std::string_view text, std::size_t most)
{
    std::vector<std::string> out;
    while (out.size() + 1 < most) {
        const std::size_t bar = text.find('|');
        if (bar == std::string_view::npos)
            break;
        out.emplace_back(text.substr(0, bar));
        text.remove_prefix(bar + 1);
    }
    out.emplace_back(text);
    return out;
}

} // namespace

ServiceRequest parseServiceRequest(std::string_view text)
{
    ServiceRequest request;
    if (text.substr(0, 10) == "REGW|MACH|") {
        const std::vector<std::string> f = fields(text.substr(10), 3);
        if (f.size() == 3 && !f[0].empty()) {
            request.kind = ServiceRequest::RegistryWrite;
            request.key = f[0];
            request.valueName = f[1];
            request.data = f[2];
        }
        return request;
    }
    const std::vector<std::string> f = fields(text, 2);
    if (f.size() != 2 || f[0].rfind("S-1-", 0) != 0 || f[0].find('\0') != std::string::npos)
        return request;
    request.sid = f[0];
    if (f[1] == "STAT")
        request.kind = ServiceRequest::Status;
    else if (f[1] == "FORM")
        request.kind = ServiceRequest::Forms;
    else if (f[1] == "MSNS")
        request.kind = ServiceRequest::MsnSearches;
    return request;
}

} // namespace kp
