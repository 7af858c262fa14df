#include "tests/support/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kp::test {

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    bool open() { return ::pipe2(fds, O_CLOEXEC) == 0; }
};

// Reads both pipes until both are closed, so that neither side blocks.
void drain(int outFd, std::string* output, int errFd, std::string* errors)
{
    struct pollfd polled[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* into[2] = {output, errors};
    int open = (outFd >= 0) + (errFd >= 0);
    while (open > 0) {
        if (::poll(polled, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (polled[i].fd < 0 || !(polled[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(polled[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, std::size_t(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(polled[i].fd);
                polled[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

int runProgram(const std::vector<std::string>& argv, const Environment& env, std::string* output,
               std::string* errors)
{
    Pipe out, err;
    if ((output && !out.open()) || (errors && !err.open()))
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(output ? out.fds[1] : devNull, 1);
        ::dup2(errors ? err.fds[1] : devNull, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (output) {
        ::close(out.fds[1]);
        output->clear();
    }
    if (errors) {
        ::close(err.fds[1]);
        errors->clear();
    }
    drain(output ? out.fds[0] : -1, output, errors ? err.fds[0] : -1, errors);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace kp::test
