#include "platform/system/named_pipe.h"

#include "platform/files/win_path.h"
#include "platform/host/host_io.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kp::win {

namespace {

constexpr std::string_view kPipePrefix = "\\\\.\\pipe\\";

// A folder the user owns and no one else may enter; made when missing.
DWORD privateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return errorFromErrno(errno);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errorFromErrno(errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077))
        return err::ACCESS_DENIED;
    return err::SUCCESS;
}

bool socketAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    return true;
}

bool waitFor(int fd, short events, int milliseconds)
{
    pollfd p{fd, events, 0};
    return retryInterrupted([&] { return ::poll(&p, 1, milliseconds); }) > 0;
}

// Reads until the peer ends its side: BUFFER_OVERFLOW when more than `limit`
// bytes come, SEM_TIMEOUT when the time runs out.
DWORD receiveAll(int fd, std::string& out, std::size_t limit, int milliseconds)
{
    out.clear();
    char buffer[1024];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitFor(fd, POLLIN, int(left.count())))
            return err::SEM_TIMEOUT;
        const ssize_t n = retryInterrupted([&] { return ::recv(fd, buffer, sizeof buffer, 0); });
        if (n < 0)
            return errorFromErrno(errno, {{ECONNRESET, err::BROKEN_PIPE}});
        if (n == 0)
            return err::SUCCESS;
        out.append(buffer, std::size_t(n));
        if (out.size() > limit)
            return err::BUFFER_OVERFLOW;
    }
}

bool sendAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = retryInterrupted([&] { return ::send(fd, data.data(), data.size(), MSG_NOSIGNAL); });
        if (n <= 0)
            return false;
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

std::string prefixKey(const std::string& prefixDir)
{
    char* real = ::realpath(prefixDir.c_str(), nullptr);
    const std::string path = real ? real : prefixDir;
    std::free(real);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016zx", std::hash<std::string>{}(path));
    return hex;
}

// $XDG_RUNTIME_DIR; without it the folder the login manager makes for it
// when it is the user's own and private, so that a service started without
// the variable (Wine's service manager passes none) meets its clients; else "".
std::string userRuntimeDir()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return runtime;
    const std::string login = "/run/user/" + std::to_string(::getuid());
    struct stat info {};
    if (::lstat(login.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
        && (info.st_mode & 077) == 0)
        return login;
    return {};
}

} // namespace

DWORD runtimeFolder(Machine& machine, std::string& out)
{
    const std::string runtime = userRuntimeDir();
    const std::string base = runtime.empty() ? "/tmp/klenpro-" + std::to_string(::getuid()) : runtime + "/klenpro";
    if (DWORD e = privateFolder(base))
        return e;
    out = base + "/" + prefixKey(machine.prefixDir());
    return privateFolder(out);
}

DWORD pipeSocketPath(Machine& machine, std::string_view pipePath, std::string& out)
{
    if (pipePath.size() <= kPipePrefix.size() || pipePath.substr(0, kPipePrefix.size()) != kPipePrefix)
        return err::INVALID_NAME;
    const std::string name = lowerAscii(pipePath.substr(kPipePrefix.size()));
    if (name.find_first_of("/\\") != std::string::npos)
        return err::INVALID_NAME;
    std::string folder;
    if (DWORD e = runtimeFolder(machine, folder))
        return e;
    out = folder + "/pipe-" + name;
    return err::SUCCESS;
}

DWORD callNamedPipe(Machine& machine, std::string_view pipePath, std::string_view request, std::string& reply,
                    int timeoutMilliseconds)
{
    reply.clear();
    if (request.size() > kPipeMessageLimit)
        return err::BUFFER_OVERFLOW;
    std::string path;
    if (DWORD e = pipeSocketPath(machine, pipePath, path))
        return e == err::INVALID_NAME ? e : err::FILE_NOT_FOUND;
    sockaddr_un address;
    if (!socketAddress(path, address))
        return err::INVALID_NAME;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    UniqueFd fd;
    for (;;) {
        fd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd)
            return errorFromErrno(errno);
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        const int error = errno;
        fd.reset();
        if (error == ENOENT || error == ECONNREFUSED)
            return err::FILE_NOT_FOUND;
        if (error != EAGAIN && error != EINTR)
            return errorFromErrno(error);
        if (std::chrono::steady_clock::now() >= deadline)
            return err::PIPE_BUSY;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    DWORD result = err::SUCCESS;
    if (!sendAll(fd.get(), request) || ::shutdown(fd.get(), SHUT_WR) != 0) {
        result = err::BROKEN_PIPE;
    } else {
        // The reply waits behind the clients served before: the whole wait
        // counts, not only the wait for a connection.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        result = receiveAll(fd.get(), reply, kPipeMessageLimit,
                            int(std::max<long long>(left.count(), 0) + timeoutMilliseconds));
        if (result == err::BUFFER_OVERFLOW) {
            reply.resize(kPipeMessageLimit);
            result = err::SUCCESS;
        } else if (result == err::SUCCESS && reply.empty()) {
            result = err::NO_DATA;
        }
    }
    return result;
}

PipeServer::~PipeServer() { close(); }

DWORD PipeServer::listen(Machine& machine, std::string_view pipePath)
{
    close();
    std::string path;
    if (DWORD e = pipeSocketPath(machine, pipePath, path))
        return e;
    sockaddr_un address;
    if (!socketAddress(path, address))
        return err::INVALID_NAME;
    // A socket nobody answers on is left from a server that died.
    if (const UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        probe && ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return err::ALREADY_EXISTS;
    ::unlink(path.c_str());
    fd_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd_)
        return errorFromErrno(errno);
    const mode_t previous = ::umask(0177);
    const int bound = ::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0 || ::listen(fd_.get(), 16) != 0) {
        const int error = errno;
        close();
        return errorFromErrno(error);
    }
    path_ = path;
    return err::SUCCESS;
}

DWORD PipeServer::accept(std::string& request, UniqueFd& client)
{
    client.reset();
    for (;;) {
        UniqueFd fd(retryInterrupted([&] { return ::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC); }));
        if (!fd) {
            if (errno == ECONNABORTED)
                continue;
            return errorFromErrno(errno);
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid())
            continue;
        client = std::move(fd);
        return receiveAll(client.get(), request, kPipeMessageLimit, 5000);
    }
}

void PipeServer::reply(UniqueFd client, std::string_view text)
{
    // A send that fails leaves the client a reply cut short, which it reports.
    if (client)
        sendAll(client.get(), text.substr(0, kPipeMessageLimit));
}

void PipeServer::shutdown()
{
    if (fd_)
        ::shutdown(fd_.get(), SHUT_RDWR);
}

void PipeServer::close()
{
    fd_.reset();
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

} // namespace kp::win
