#include "service/service_requests.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "service/protected_storage.h"
#include "service/service_link.h"

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

std::string answerServiceRequest(win::Machine& machine, std::string_view text)
{
    const ServiceRequest request = parseServiceRequest(text);
    win::Registry& registry = machine.registry();
    switch (request.kind) {
    case ServiceRequest::Status: return "ServiceOK - KlenPro XP Service";
    case ServiceRequest::Forms:
    case ServiceRequest::MsnSearches: {
        if (!acceptableSid(machine, request.sid))
            return "*** Error - Service User-Id not found";
        // The user's hive under HKEY_USERS, then the machine's.
        const std::vector<StorageHive> hives{{win::RegRoot::Users, request.sid + "\\"}, {win::RegRoot::LocalMachine, ""}};
        if (request.kind == ServiceRequest::Forms)
            return autoCompleteFormsReply(deleteAutoCompleteForms(registry, hives));
        return msnSearchHistoryReply(deleteMsnSearchHistory(registry, hives));
    }
    case ServiceRequest::RegistryWrite: {
        win::RegKey key;
        win::DWORD error = registry.createKey(win::RegRoot::LocalMachine, request.key, key);
        if (!error)
            error = registry.setString(key, request.valueName, request.data);
        if (error)
            return "*** Error - " + std::to_string(error) + " - Registry value not written";
        return "OK - Registry value written";
    }
    case ServiceRequest::Unknown: break;
    }
    return "*** Error - Unknown Service Request";
}

} // namespace kp
