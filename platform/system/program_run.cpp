#include "platform/system/program_run.h"

#include "platform/files/file_system.h"
#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kp::win {

namespace {

// The program and its argument text: the arguments begin at the first blank
// after the last backslash.
void splitCommandLine(std::string_view line, std::string& program, std::string& arguments)
{
    const std::size_t slash = line.rfind('\\');
    const std::size_t blank = line.find(' ', slash == std::string_view::npos ? 0 : slash);
    program = std::string(line.substr(0, blank));
    arguments = blank == std::string_view::npos ? std::string() : std::string(line.substr(blank + 1));
}

std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string::npos)
            break;
        const std::size_t end = text.find(' ', start);
        out.push_back(text.substr(start, end - start));
        at = end == std::string::npos ? text.size() : end;
    }
    return out;
}

bool isPeFile(const std::string& hostPath)
{
    const UniqueFd fd(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
    char magic[2] = {};
    std::size_t got = 0;
    return fd && readAll(fd.get(), magic, sizeof magic, got) == 0 && got == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

// A program name without a slash, looked up along $PATH as execvp would.
std::string onSearchPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= folders.size()) {
        std::size_t end = folders.find(':', at);
        if (end == std::string::npos)
            end = folders.size();
        const std::string candidate = (end > at ? folders.substr(at, end - at) : std::string(".")) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        at = end + 1;
    }
    return name;
}

std::string hostFolderOf(const std::string& hostPath)
{
    const std::size_t slash = hostPath.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

} // namespace

std::vector<std::string> machineEnvironment(const Machine& machine)
{
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 11) != "WINEPREFIX=")
            environment.emplace_back(*e);
    environment.push_back("WINEPREFIX=" + machine.prefixDir());
    return environment;
}

std::string wineLoader()
{
    if (const char* wine = std::getenv("WINE"); wine && *wine)
        return onSearchPath(wine);
    for (const char* name : {"wine", "wine64"}) {
        const std::string found = onSearchPath(name);
        if (found.find('/') != std::string::npos)
            return found;
    }
    const char* debian = "/usr/lib/wine/wine64";
    return ::access(debian, X_OK) == 0 ? debian : "";
}

DWORD runProgram(Machine& machine, std::string_view commandLine, int waitMilliseconds, ProgramRun& out)
{
    out = {};
    std::string program, arguments;
    splitCommandLine(commandLine, program, arguments);
    FileSystem files(machine);
    std::string fullPath;
    if (const DWORD error = files.fullPathName(program, fullPath))
        return error;
    std::string host;
    bool exists = false;
    if (const DWORD error = files.hostPath(fullPath, host, &exists))
        return error;
    struct stat info {};
    if (!exists || ::stat(host.c_str(), &info) != 0)
        return err::FILE_NOT_FOUND;
    if (S_ISDIR(info.st_mode))
        return err::ACCESS_DENIED;

    std::vector<std::string> argv;
    const bool windowsProgram = isPeFile(host);
    if (windowsProgram) {
        std::string wine = wineLoader();
        if (wine.empty())
            return err::FILE_NOT_FOUND;
        argv.push_back(std::move(wine));
        argv.push_back(fullPath);
    } else {
        if (::access(host.c_str(), X_OK) != 0)
            return err::ACCESS_DENIED;
        argv.push_back(host);
    }
    for (std::string& word : words(arguments))
        argv.push_back(std::move(word));
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    const std::string folder = hostFolderOf(host);
    // The child's environment is made here: after fork only exec may run.
    std::vector<std::string> environment = machineEnvironment(machine);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // The child reports a failed exec through a close-on-exec pipe.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return errorFromErrno(errno);
    UniqueFd reportRead(ends[0]), reportWrite(ends[1]);
    const pid_t pid = ::fork();
    if (pid < 0)
        return errorFromErrno(errno);
    if (pid == 0) {
        // Only calls safe after fork here: the descriptors close on exec or exit.
        if (::chdir(folder.c_str()) == 0)
            ::execve(args[0], args.data(), envp.data());
        const int error = errno;
        // Unreported, the failure shows as a program that ended with 127.
        [[maybe_unused]] const ssize_t reported = ::write(reportWrite.get(), &error, sizeof error);
        ::_exit(127);
    }
    reportWrite.reset();
    int childError = 0;
    std::size_t got = 0;
    if (readAll(reportRead.get(), &childError, sizeof childError, got) == 0 && got == sizeof childError) {
        retryInterrupted([&] { return ::waitpid(pid, nullptr, 0); });
        return errorFromErrno(childError);
    }
    out.started = true;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            out.ended = true;
            out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return err::SUCCESS;
        }
        if (done < 0 && errno != EINTR)
            return err::SUCCESS;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::thread([pid] { retryInterrupted([&] { return ::waitpid(pid, nullptr, 0); }); }).detach();
    return err::SUCCESS;
}

} // namespace kp::win
