#include "service/service_link.h"

#include "core/identity.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/named_pipe.h"
#include "platform/system/service_manager.h"
#include "platform/system/system_info.h"
#include "service/protected_storage.h"

#include <algorithm>

namespace kp {

std::string pipeErrorText(win::DWORD code)
{
    switch (code) {
    case 2: return "*** Error - 2 - Service not Active";
    case 109: return "*** Error - 109 - Service Broken Linkage";
    case 230: return "*** Error - 230 - Service Bad Linkage";
    case 231: return "*** Error - 231 - Service Busy";
    case 232: return "*** Error - 232 - Service No Data";
    case 233: return "*** Error - 233 - Service Not Connected";
    case 535: return "*** Error - 535 - Service Connected";
    case 536: return "*** Error - 536 - Service Listening";
    default: return "*** Error - " + std::to_string(code) + " unknown Service Error";
    }
}

bool acceptableSid(win::Machine& machine, const std::string& sid)
{
    if (std::count(sid.begin(), sid.end(), '-') < 7)
        return false;
    win::Registry& registry = machine.registry();
    win::RegKey key;
    return registry.openKey(win::RegRoot::Users, sid, false, key) == win::err::SUCCESS
        && registry.openKey(win::RegRoot::LocalMachine, win::profileListKey(sid), false, key) == win::err::SUCCESS;
}

std::string findUserSid(win::Machine& machine)
{
    const std::string sid = win::userSid(machine);
    if (acceptableSid(machine, sid))
        return sid;
    win::Registry& registry = machine.registry();
    win::RegKey storage;
    if (registry.openKey(win::RegRoot::CurrentUser, kProtectedStorageKey, false, storage) != win::err::SUCCESS)
        return {};
    std::string name;
    for (win::DWORD i = 0; registry.enumKey(storage, i, name) == win::err::SUCCESS; ++i)
        if (name.rfind("S-1-", 0) == 0 && acceptableSid(machine, name))
            return name;
    return {};
}

ServiceLink::ServiceLink(win::Machine& machine)
    : machine_(machine)
{
    SetPipeName(kDefaultPipeName);
    transport_ = [this](const std::string& pipe, const std::string& request, std::string& reply) {
        return win::callNamedPipe(machine_, pipe, request, reply, kPipeTimeoutMilliseconds);
    };
}

bool ServiceLink::ntFamily() { return win::platformId(machine_) >= win::platform_id::WIN32_NT; }

std::string ServiceLink::PipeRequest(const std::string& request)
{
    try {
        std::string reply;
        if (const win::DWORD code = transport_(pipePath_, request, reply))
            return pipeErrorText(code);
        return reply + "  ";
    } catch (...) {
        return pipeErrorText(win::err::INVALID_FUNCTION);
    }
}

std::string ServiceLink::UserRequest(const std::string& command)
{
    const std::string sid = findUserSid(machine_);
    if (sid.empty())
        return "*** Error - Service User-Id not found";
    return PipeRequest(sid + "|" + command);
}

std::string ServiceLink::ServiceCommand(const std::string& command)
{
    try {
        if (command == "STAT")
            return ntFamily() ? UserRequest(command) : "Not in 9X";
        return ntFamily() ? UserRequest(command) : inProcessAutoCompleteForms(machine_);
    } catch (...) {
        return command == "STAT" ? "*** Error processing Status" : "*** Error purging AutoComplete Forms";
    }
}

std::string ServiceLink::MsnSearchHistoryCommand()
{
    try {
        return ntFamily() ? UserRequest("MSNS") : inProcessMsnSearchHistory(machine_);
    } catch (...) {
        return "*** Error purging AutoComplete entries";
    }
}

int ServiceLink::IsServiceInstalled(const std::string& name)
{
    try {
        if (win::platformId(machine_) != win::platform_id::WIN32_NT)
            return -1;
        return win::openService(machine_, name) == win::err::SUCCESS ? 1 : 0;
    } catch (...) {
        return -1;
    }
}

bool ServiceLink::IsServiceRunning(const std::string& name)
{
    win::DWORD state = 0;
    return win::queryServiceState(machine_, name, state) == win::err::SUCCESS && state == win::service_state::RUNNING;
}

bool ServiceLink::IsUserAdmin() { return !ntFamily() || win::userIsAdministrator(machine_); }

namespace {
std::vector<StorageHive> userAndMachine() { return {{win::RegRoot::CurrentUser, ""}, {win::RegRoot::LocalMachine, ""}}; }
} // namespace

std::string inProcessAutoCompleteForms(win::Machine& machine)
{
    return autoCompleteFormsReply(deleteAutoCompleteForms(machine.registry(), userAndMachine()));
}

std::string inProcessMsnSearchHistory(win::Machine& machine)
{
    return msnSearchHistoryReply(deleteMsnSearchHistory(machine.registry(), userAndMachine()));
}

std::vector<std::string> serviceStatusLines(ServiceLink& link)
{
    std::vector<std::string> lines;
    const std::string product = identity::ProductName;
    const bool ok = link.ServiceCommand("STAT").rfind("ServiceOK", 0) == 0;
    lines.push_back("  " + product + (ok ? " XP Service Status is OK" : " XP Service Status test failed"));
    if (!link.ntFamily())
        return lines;
    if (!link.IsUserAdmin()) {
        lines.push_back("  User does not have Admin Privilege");
        return lines;
    }
    std::string line = "  User has Admin Privilege";
    link.SetPipeName(kDefaultPipeName);
    const int installed = link.IsServiceInstalled(kServiceName);
    if (installed < 0) {
        line += " - Installed test failed";
    } else if (installed == 0) {
        line += " - Service is not installed";
    } else {
        line += " - Service is installed";
        line += link.IsServiceRunning(kServiceName) ? " - Service is Started" : " - Service is not Started";
    }
    lines.push_back(line);
    return lines;
}

} // namespace kp
