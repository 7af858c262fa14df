// klenpro-service: the companion service. "/install /silent" registers it
// with the machine's service manager, "/uninstall /silent" removes it;
// started by the service manager (no arguments) it serves the pipe, one
// request at a time, until it is stopped. Wine's own service manager starts
// it too, at each session start, without WINEPREFIX: it then serves the
// machine whose session started it, or refuses.

#include "platform/host/console.h"
#include "platform/machine.h"
#include "platform/system/named_pipe.h"
#include "platform/system/own_program.h"
#include "platform/system/service_manager.h"
#include "platform/system/service_start.h"
#include "service/service_link.h"
#include "service/service_requests.h"

#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

kp::win::PipeServer* servedPipe = nullptr;
volatile std::sig_atomic_t stopping = 0;

void stop(int)
{
    stopping = 1;
    if (servedPipe)
        servedPipe->shutdown();
}

int fail(const std::string& what, kp::win::DWORD code)
{
    kp::win::writeStandardError("klenpro-service: " + what + " (error " + std::to_string(code) + ")\n");
    return 1;
}

int serve(kp::win::Machine& machine)
{
    kp::win::PipeServer pipe;
    if (const kp::win::DWORD e = pipe.listen(machine, std::string("\\\\.\\pipe\\") + kp::kDefaultPipeName))
        return fail("cannot serve the pipe", e);
    servedPipe = &pipe;
    struct sigaction action {};
    action.sa_handler = stop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (const kp::win::DWORD e = kp::win::recordServiceProcess(machine, kp::kServiceName))
        return fail("cannot record the service process", e);
    while (!stopping) {
        std::string request;
        kp::win::UniqueFd client;
        const kp::win::DWORD e = pipe.accept(request, client);
        if (!client)
            break;
        kp::win::PipeServer::reply(std::move(client), e == kp::win::err::SUCCESS
                                                          ? kp::answerServiceRequest(machine, request)
                                                          : "*** Error - Request refused");
    }
    kp::win::clearServiceProcess(machine, kp::kServiceName);
    servedPipe = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string prefix = kp::win::Machine::defaultPrefixDir();
    if (argc == 1) {
        if (const kp::win::DWORD e = kp::win::servedMachineDir(kp::kServiceName, prefix))
            return fail("WINEPREFIX is not set and no session of a machine that registers this program started it; "
                        "no other machine is served",
                        e);
    }
    std::unique_ptr<kp::win::Machine> machine;
    if (const kp::win::DWORD e = kp::win::Machine::open(prefix, machine))
        return fail("cannot open the machine " + prefix, e);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "/install") {
        std::string self;
        if (const kp::win::DWORD e = kp::win::executablePath(*machine, self))
            return fail("cannot name its own program", e);
        const kp::win::DWORD e = kp::win::createService(*machine, kp::kServiceName, kp::kServiceDisplayName, self);
        return e && e != kp::win::err::SERVICE_EXISTS ? fail("cannot install the service", e) : 0;
    }
    if (command == "/uninstall") {
        const kp::win::DWORD e = kp::win::deleteService(*machine, kp::kServiceName);
        return e && e != kp::win::err::SERVICE_DOES_NOT_EXIST ? fail("cannot remove the service", e) : 0;
    }
    if (argc > 1) {
        kp::win::writeStandardError("usage: klenpro-service [/install /silent | /uninstall /silent]\n");
        return 2;
    }
    return serve(*machine);
}
