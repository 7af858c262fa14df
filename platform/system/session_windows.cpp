#include "platform/system/session_windows.h"

#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"
#include "platform/host/win_error.h"
#include "platform/system/program_run.h"
#include "platform/system/wine_session.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kp::win {

namespace {

// A listing of a few hundred windows is some ten kilobytes; a helper that
// has not answered in this time is ended.
constexpr std::size_t kOutputLimit = 4u << 20;
constexpr auto kHelperTimeLimit = std::chrono::seconds(20);

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

template <typename Number>
bool parseNumber(const std::string& text, Number& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && ec == std::errc() && at == end;
}

std::string hex(WindowHandle handle)
{
    char text[24];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, handle, 16);
    return std::string(text, end);
}

// The status line that ends the helper's output.
DWORD statusOf(const std::string& line, bool& isStatus)
{
    isStatus = true;
    if (line == "OK")
        return err::SUCCESS;
    const std::vector<std::string> f = fields(line);
    DWORD code = 0;
    if (f.size() == 2 && f[0] == "ERR" && parseNumber(f[1], code) && code != 0)
        return code;
    isStatus = false;
    return err::INVALID_DATA;
}

// The environment of the helper: the prefix named, Wine's diagnostics off.
std::vector<std::string> helperEnvironment(const std::string& prefixDir)
{
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string_view variable(*e);
        if (!variable.starts_with("WINEPREFIX=") && !variable.starts_with("WINEDEBUG="))
            environment.emplace_back(variable);
    }
    environment.push_back("WINEPREFIX=" + prefixDir);
    environment.push_back("WINEDEBUG=-all");
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Writes `text` whole; a helper that has gone gives BROKEN_PIPE, not SIGPIPE.
DWORD writeWithoutSignal(int fd, const std::string& text)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    std::size_t done = 0;
    const int error = writeAll(fd, text.data(), text.size(), done);
    if (error == EPIPE) {
        const timespec none {0, 0};
        while (::sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error == EPIPE)
        return err::BROKEN_PIPE;
    return error ? errorFromErrno(error) : err::SUCCESS;
}

bool endsWithStatusLine(const std::string& text)
{
    if (text.empty() || text.back() != '\n')
        return false;
    const std::size_t lastLine = text.rfind('\n', text.size() - 2);
    const std::size_t start = lastLine == std::string::npos || text.size() < 2 ? 0 : lastLine + 1;
    bool isStatus = false;
    statusOf(text.substr(start, text.size() - 1 - start), isStatus);
    return isStatus;
}

// Reads up to the status line that ends an answer.
DWORD readAnswer(int fd, std::string& answer)
{
    const auto deadline = std::chrono::steady_clock::now() + kHelperTimeLimit;
    char chunk[4096];
    while (!endsWithStatusLine(answer)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || answer.size() > kOutputLimit)
            return err::SEM_TIMEOUT;
        pollfd p {fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return errorFromErrno(errno);
        if (ready == 0)
            return err::SEM_TIMEOUT;
        const ssize_t n = retryInterrupted([&] { return ::read(fd, chunk, sizeof chunk); });
        if (n < 0)
            return errorFromErrno(errno);
        if (n == 0)
            return err::BROKEN_PIPE;
        answer.append(chunk, std::size_t(n));
    }
    return err::SUCCESS;
}

} // namespace

DWORD parseWindowListing(const std::string& text, std::vector<SessionWindow>& out)
{
    out.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        bool isStatus = false;
        const DWORD status = statusOf(line, isStatus);
        if (isStatus)
            return start >= text.size() ? status : err::INVALID_DATA;
        const std::vector<std::string> f = fields(line);
        if (f.size() == 6 && f[0] == "W") {
            SessionWindow w;
            if (!parseNumber(f[1], w.handle, 16) || !parseNumber(f[2], w.owner, 16) || (f[3] != "0" && f[3] != "1"))
                return err::INVALID_DATA;
            w.visible = f[3] == "1";
            w.className = f[4];
            w.title = f[5];
            out.push_back(std::move(w));
        } else if (f.size() == 5 && f[0] == "C" && !out.empty()) {
            ChildWindow c;
            if (!parseNumber(f[1], c.handle, 16) || !parseNumber(f[2], c.controlId))
                return err::INVALID_DATA;
            c.className = f[3];
            c.title = f[4];
            out.back().children.push_back(std::move(c));
        } else {
            return err::INVALID_DATA;
        }
    }
    return err::INVALID_DATA;
}

SessionWindows::SessionWindows(std::string prefixDir, std::string helperPath)
    : prefixDir_(std::move(prefixDir))
    , helperPath_(std::move(helperPath))
{
}

SessionWindows::~SessionWindows()
{
    stopHelper();
}

std::string SessionWindows::helperBesideProgram()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    const std::string program = n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1) + "klenwin.exe";
}

bool SessionWindows::sessionRunning() const
{
    return detectWineSession(prefixDir_).running;
}

DWORD SessionWindows::list(std::vector<SessionWindow>& out)
{
    out.clear();
    std::string answer;
    if (const DWORD error = exchange("list", answer))
        return error;
    const DWORD status = parseWindowListing(answer, out);
    if (status != err::SUCCESS)
        out.clear();
    return status;
}

DWORD SessionWindows::bringToFront(WindowHandle window)
{
    std::string answer;
    if (const DWORD error = exchange("front " + hex(window), answer))
        return error;
    std::vector<SessionWindow> none;
    return parseWindowListing(answer, none);
}

DWORD SessionWindows::postCommand(WindowHandle window, int controlId)
{
    std::string answer;
    if (const DWORD error = exchange("command " + hex(window) + " " + std::to_string(controlId), answer))
        return error;
    std::vector<SessionWindow> none;
    return parseWindowListing(answer, none);
}

DWORD SessionWindows::exchange(const std::string& request, std::string& answer)
{
    answer.clear();
    if (!sessionRunning()) {
        stopHelper();
        return err::NOT_READY;
    }
    // A helper of an earlier session has ended with it: one more try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool fresh = helperPid_ < 0;
        if (fresh) {
            if (const DWORD error = startHelper())
                return error;
        }
        DWORD error = writeWithoutSignal(toHelper_.get(), request + "\n");
        if (error == err::SUCCESS)
            error = readAnswer(fromHelper_.get(), answer);
        if (error == err::SUCCESS)
            return err::SUCCESS;
        stopHelper();
        if (fresh)
            return error;
    }
    return err::BROKEN_PIPE;
}

DWORD SessionWindows::startHelper()
{
    std::string loader = wineLoader();
    if (loader.empty() || helperPath_.empty() || ::access(helperPath_.c_str(), R_OK) != 0)
        return err::FILE_NOT_FOUND;
    std::vector<std::string> argv {std::move(loader), helperPath_, "serve"};
    std::vector<std::string> environment = helperEnvironment(prefixDir_);
    std::vector<char*> argp = pointers(argv);
    std::vector<char*> envp = pointers(environment);

    int requests[2], answers[2];
    if (::pipe2(requests, O_CLOEXEC) != 0)
        return errorFromErrno(errno);
    UniqueFd requestRead(requests[0]), requestWrite(requests[1]);
    if (::pipe2(answers, O_CLOEXEC) != 0)
        return errorFromErrno(errno);
    UniqueFd answerRead(answers[0]), answerWrite(answers[1]);
    const UniqueFd nothing(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (!nothing)
        return errorFromErrno(errno);
    const pid_t pid = ::fork();
    if (pid < 0)
        return errorFromErrno(errno);
    if (pid == 0) {
        // Only calls safe after fork here.
        if (::dup2(requestRead.get(), 0) >= 0 && ::dup2(answerWrite.get(), 1) >= 0 && ::dup2(nothing.get(), 2) >= 0)
            ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    helperPid_ = pid;
    toHelper_ = std::move(requestWrite);
    fromHelper_ = std::move(answerRead);
    return err::SUCCESS;
}

void SessionWindows::stopHelper()
{
    if (helperPid_ < 0)
        return;
    toHelper_.reset(); // the helper ends at the end of its requests
    fromHelper_.reset();
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 50 && done == 0; ++i) {
        done = retryInterrupted([&] { return ::waitpid(helperPid_, &status, WNOHANG); });
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (done == 0) {
        ::kill(helperPid_, SIGKILL);
        retryInterrupted([&] { return ::waitpid(helperPid_, &status, 0); });
    }
    helperPid_ = -1;
}

} // namespace kp::win
