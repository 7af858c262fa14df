#include "platform/system/service_manager.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"
#include "platform/host/atomic_file.h"
#include "platform/host/host_io.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/named_pipe.h"
#include "platform/system/program_run.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kp::win {

namespace {

constexpr auto kStartStopWait = std::chrono::seconds(10);

std::string serviceKey(std::string_view name) { return std::string(kServicesKey) + "\\" + std::string(name); }

// The start time of a process in clock ticks since boot, "" when it is gone:
// with the id it names one process even after the id is reused.
std::string processStartTime(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return {};
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 3 && field == "Z")
            return {};
    }
    return field;
}

DWORD recordPath(Machine& machine, std::string_view name, std::string& out)
{
    std::string folder;
    if (DWORD e = runtimeFolder(machine, folder))
        return e;
    out = folder + "/service-" + lowerAscii(name) + ".pid";
    return err::SUCCESS;
}

// The recorded process of a service while it is alive, else 0.
long runningProcess(Machine& machine, std::string_view name)
{
    std::string path;
    if (recordPath(machine, name, path))
        return 0;
    std::ifstream record(path);
    long pid = 0;
    std::string start;
    if (!(record >> pid >> start) || pid <= 0)
        return 0;
    return processStartTime(pid) == start ? pid : 0;
}

// The registered name of a service given by its display name or its name.
DWORD findService(Machine& machine, std::string_view displayName, std::string& name)
{
    Registry& registry = machine.registry();
    RegKey services;
    if (registry.openKey(RegRoot::LocalMachine, kServicesKey, false, services))
        return err::SERVICE_DOES_NOT_EXIST;
    std::string candidate;
    for (DWORD i = 0; registry.enumKey(services, i, candidate) == err::SUCCESS; ++i) {
        RegKey key;
        std::string shown;
        if (registry.openKey(services, candidate, false, key) == err::SUCCESS
            && registry.queryString(key, "DisplayName", shown) == err::SUCCESS && equalNoCase(shown, displayName)) {
            name = candidate;
            return err::SUCCESS;
        }
    }
    if (openService(machine, displayName) == err::SUCCESS) {
        name = displayName;
        return err::SUCCESS;
    }
    return err::SERVICE_DOES_NOT_EXIST;
}

// Starts `program` detached from this process (its own session, reaped by
// init), with WINEPREFIX naming the machine.
DWORD startDetached(Machine& machine, const std::string& program)
{
    std::vector<std::string> environment = machineEnvironment(machine);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    const std::string folder = program.substr(0, program.rfind('/') + 1);

    const pid_t child = ::fork();
    if (child < 0)
        return errorFromErrno(errno);
    if (child == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
        }
        if (::chdir(folder.c_str()) == 0)
            ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    retryInterrupted([&] { return ::waitpid(child, nullptr, 0); });
    return err::SUCCESS;
}

} // namespace

DWORD createService(Machine& machine, std::string_view name, std::string_view displayName, std::string_view imagePath)
{
    Registry& registry = machine.registry();
    if (openService(machine, name) == err::SUCCESS)
        return err::SERVICE_EXISTS;
    RegKey key;
    if (DWORD e = registry.createKey(RegRoot::LocalMachine, serviceKey(name), key))
        return e;
    registry.beginBatch();
    DWORD result = err::SUCCESS;
    for (const DWORD e : {registry.setString(key, "DisplayName", displayName),
             registry.setString(key, "ImagePath", imagePath, regtype::EXPAND_SZ),
             registry.setString(key, "ObjectName", "LocalSystem"),
             registry.setDword(key, "Type", 0x10),      // own process
             registry.setDword(key, "Start", 2),        // automatic
             registry.setDword(key, "ErrorControl", 1)}) // normal
        if (result == err::SUCCESS)
            result = e;
    const DWORD saved = registry.endBatch();
    return result != err::SUCCESS ? result : saved;
}

DWORD deleteService(Machine& machine, std::string_view name)
{
    Registry& registry = machine.registry();
    RegKey services;
    if (registry.openKey(RegRoot::LocalMachine, kServicesKey, true, services) || openService(machine, name))
        return err::SERVICE_DOES_NOT_EXIST;
    return registry.deleteTree(services, name);
}

DWORD openService(Machine& machine, std::string_view name)
{
    RegKey key;
    if (name.empty() || machine.registry().openKey(RegRoot::LocalMachine, serviceKey(name), false, key))
        return err::SERVICE_DOES_NOT_EXIST;
    return err::SUCCESS;
}

DWORD queryServiceState(Machine& machine, std::string_view name, DWORD& state)
{
    if (DWORD e = openService(machine, name))
        return e;
    state = runningProcess(machine, name) ? service_state::RUNNING : service_state::STOPPED;
    return err::SUCCESS;
}

DWORD startService(Machine& machine, std::string_view displayName)
{
    std::string name;
    if (DWORD e = findService(machine, displayName, name))
        return e;
    if (runningProcess(machine, name))
        return err::SERVICE_ALREADY_RUNNING;
    RegKey key;
    std::string image;
    if (machine.registry().openKey(RegRoot::LocalMachine, serviceKey(name), false, key)
        || machine.registry().queryString(key, "ImagePath", image))
        return err::FILE_NOT_FOUND;
    std::string host;
    bool exists = false;
    if (DWORD e = FileSystem(machine).hostPath(image, host, &exists))
        return e;
    if (!exists)
        return err::FILE_NOT_FOUND;
    if (::access(host.c_str(), X_OK) != 0)
        return err::ACCESS_DENIED;
    if (DWORD e = startDetached(machine, host))
        return e;
    const auto deadline = std::chrono::steady_clock::now() + kStartStopWait;
    while (!runningProcess(machine, name)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return err::SEM_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return err::SUCCESS;
}

DWORD stopService(Machine& machine, std::string_view displayName)
{
    std::string name;
    if (DWORD e = findService(machine, displayName, name))
        return e;
    const long pid = runningProcess(machine, name);
    if (!pid)
        return err::SERVICE_NOT_ACTIVE;
    if (::kill(pid_t(pid), SIGTERM) != 0)
        return errorFromErrno(errno);
    const auto deadline = std::chrono::steady_clock::now() + kStartStopWait;
    while (runningProcess(machine, name)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return err::SEM_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return err::SUCCESS;
}

DWORD recordServiceProcess(Machine& machine, std::string_view name)
{
    std::string path;
    if (DWORD e = recordPath(machine, name, path))
        return e;
    const long pid = long(::getpid());
    return replaceFileAtomically(path, std::to_string(pid) + " " + processStartTime(pid) + "\n");
}

void clearServiceProcess(Machine& machine, std::string_view name)
{
    std::string path;
    if (recordPath(machine, name, path) == err::SUCCESS)
        ::unlink(path.c_str());
}

bool userIsAdministrator(Machine& machine)
{
    const std::string hive = machine.prefixDir() + "/system.reg";
    return ::access(hive.c_str(), W_OK) == 0 && ::access(machine.prefixDir().c_str(), W_OK) == 0;
}

} // namespace kp::win
