#include "service/service_requests.h"

#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "service/protected_storage.h"
#include "service/service_link.h"

#include <vector>

namespace kp {

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
