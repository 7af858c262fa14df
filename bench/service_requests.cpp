// 1,000 requests in a row to the companion service, installed and started on
// a built machine, each a round trip through its pipe: STAT as the main
// window's status asks it, then FORM (which finds nothing after the first).

#include "bench/support/bench_support.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "sample/builder/machine_builder.h"
#include "service/service_install.h"
#include "service/service_link.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

// Default answers, each message printed, so that a failing run says why.
class PrintedAnswers : public MessageService {
public:
    using MessageService::show;
    int shown = 0;
    MsgButton show(const Message& message) override
    {
        ++shown;
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
        return defaultButtonOf(message);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int requests = 1000;
    sample::MachineSpec recipe;
    recipe.now = 1796515200;
    const std::string dir = (fs::temp_directory_path() / ("kp-bench-service-" + std::to_string(::getpid()))).string();
    if (win::DWORD code = sample::buildMachine(dir, recipe)) {
        std::fprintf(stderr, "building the machine failed: %u\n", unsigned(code));
        return 1;
    }
    int status = 1;
    {
        std::unique_ptr<win::Machine> machine;
        if (win::Machine::open(dir, machine) != win::err::SUCCESS)
            return 1;
        std::string folder = "Z:" + fs::path(KP_SERVICE_PROGRAM).parent_path().string();
        for (char& c : folder)
            if (c == '/')
                c = '\\';
        ServiceLink link(*machine);
        PrintedAnswers messages;
        InstallService(link, messages, folder);
        if (messages.shown == 0 && link.IsServiceRunning(kServiceName)) {
            status = 0;
            for (const char* command : {"STAT", "FORM"}) {
                int answered = 0;
                const auto start = std::chrono::steady_clock::now();
                for (int i = 0; i < requests; ++i)
                    answered += link.ServiceCommand(command).rfind("***", 0) != 0;
                const double seconds = secondsSince(start);
                std::printf("%d %s requests: %.2f s, %.0f round trips per second, %d answered\n", requests, command,
                            seconds, requests / seconds, answered);
                if (answered != requests)
                    status = 1;
            }
        } else {
            std::fprintf(stderr, "the service could not be installed and started\n");
        }
        UninstallService(link, messages, folder);
    }
    sample::removeMachine(dir);
    return status;
}
