// The companion service as Wine's own service manager starts it at each
// session start of its machine: without WINEPREFIX, in the machine's Windows
// folder. It serves that machine's pipe; started anywhere else without
// WINEPREFIX it refuses; the default machine ~/.wine is never opened.

#include "platform/machine.h"
#include "platform/system/service_manager.h"
#include "service/service_install.h"
#include "service/service_link.h"
#include "tests/support/child_process.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

using namespace kp;

namespace {

#ifdef KP_SERVICE_PROGRAM

// Sets an environment variable of this process for a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string environmentOf(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The service processes of a prefix, started with WINEPREFIX naming it or by
// Wine in one of its folders; killed at the end.
struct ServicesOfPrefix {
    std::string prefix;
    std::vector<long> find() const
    {
        namespace fs = std::filesystem;
        std::vector<long> pids;
        std::error_code ec;
        const fs::path program = fs::canonical(KP_SERVICE_PROGRAM, ec);
        const std::string real = fs::canonical(prefix, ec).string();
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::error_code e1, e2;
            const fs::path exe = fs::read_symlink(entry.path() / "exe", e1);
            const std::string cwd = fs::read_symlink(entry.path() / "cwd", e2).string();
            if (e1 || e2 || exe != program)
                continue;
            const long pid = std::stol(name);
            if (cwd.rfind(real + "/", 0) == 0 || environmentOf(pid).find("WINEPREFIX=" + prefix + '\0') != std::string::npos)
                pids.push_back(pid);
        }
        return pids;
    }
    ~ServicesOfPrefix()
    {
        for (const long pid : find())
            ::kill(pid_t(pid), SIGKILL);
    }
};

class WineStartedService : public test::RealWinePrefixTest {};

TEST_F(WineStartedService, ServesTheMachineWhoseSessionStartedItAndRefusesElsewhere)
{
    const test::TempDir home;
    const ScopedVariable homeVariable("HOME", home.path());
    // Wine passes no XDG_RUNTIME_DIR either: both sides then meet in the same folder.
    const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", "");
    const std::string realPrefix = std::filesystem::canonical(prefix);
    // A default machine that a service without WINEPREFIX would take.
    const std::string defaultMachine = home.path() + "/.wine";
    std::filesystem::create_directories(defaultMachine + "/dosdevices");
    test::writeFile(defaultMachine + "/system.reg", "WINE REGISTRY Version 2\n");
    test::writeFile(defaultMachine + "/user.reg", "WINE REGISTRY Version 2\n");
    std::unique_ptr<win::Machine> other;
    ASSERT_EQ(win::Machine::open(defaultMachine, other), 0u);
    const ServicesOfPrefix services{prefix};

    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), 0u);
    ServiceLink link(*machine);
    test::RecordingMessages messages;
    std::string folder = "Z:" + std::filesystem::path(KP_SERVICE_PROGRAM).parent_path().string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    InstallService(link, messages, folder);
    ASSERT_TRUE(link.IsServiceRunning(kServiceName)) << "INIT started no service";
    ASSERT_EQ(win::stopService(*machine, kServiceDisplayName), 0u);

    std::string out;
    ASSERT_EQ(test::runWine(prefix, {"wineboot"}, out), 0) << "no session started";
    for (int i = 0; i < 100 && !link.IsServiceRunning(kServiceName); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ServiceLink otherLink(*other);
    EXPECT_EQ(otherLink.PipeRequest("|STAT"), "*** Error - 2 - Service not Active") << "a service serves ~/.wine";
    ASSERT_TRUE(link.IsServiceRunning(kServiceName)) << "the session started no service for its machine";
    EXPECT_EQ(link.ServiceCommand("STAT").substr(0, 9), "ServiceOK");
    const std::vector<long> pids = services.find();
    ASSERT_EQ(pids.size(), 1u);
    EXPECT_EQ(environmentOf(pids[0]).find("WINEPREFIX="), std::string::npos) << "not the one Wine started";
    EXPECT_EQ(win::stopService(*machine, kServiceDisplayName), 0u);
    ASSERT_TRUE(test::stopWineSession(prefix));

    // Started without WINEPREFIX: in no machine, in one whose session does
    // not run, and in one whose running session registers no such service.
    const auto expectRefused = [&](const std::string& where, const std::string& code) {
        std::string errors;
        const int status = test::runProgram({"/bin/sh", "-c", "cd \"$1\" && exec \"$0\"", KP_SERVICE_PROGRAM, where},
                                            {{"WINEPREFIX", ""}}, nullptr, &errors);
        EXPECT_EQ(status, 1) << where;
        EXPECT_NE(errors.find("no other machine is served (error " + code + ")"), std::string::npos) << where << ": "
                                                                                                  << errors;
        EXPECT_EQ(errors.find(".wine"), std::string::npos) << errors;
    };
    expectRefused(home.path(), "3");
    expectRefused(realPrefix + "/drive_c/windows", "1062");
    ASSERT_EQ(win::deleteService(*machine, kServiceName), 0u);
    const test::WineSessionOf session(prefix);
    ASSERT_TRUE(session.running());
    expectRefused(realPrefix + "/drive_c/windows", "1060");
    EXPECT_TRUE(services.find().empty());
    EXPECT_EQ(otherLink.PipeRequest("|STAT"), "*** Error - 2 - Service not Active") << "a service serves ~/.wine";
}

#endif

} // namespace
