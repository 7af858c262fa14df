#pragma once
// Named pipes of the machine ("\\.\pipe\<name>"): a Unix socket owned by the
// server, in a runtime folder private to the user and keyed by the prefix.
// One transaction per connection: the client writes its request and ends its
// side, the server answers and closes. Win32 pipe error codes throughout.

#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kp::win {

class Machine;

inline constexpr std::size_t kPipeMessageLimit = 1000; // bytes of a request or a reply

// The host folder of the machine's pipes and services ($XDG_RUNTIME_DIR, else
// /run/user/<uid> when it is the user's private folder, else
// /tmp/klenpro-<uid>, then one folder per prefix), made with mode 0700 when
// missing. ACCESS_DENIED when it exists but is not the user's own private folder.
[[nodiscard]] DWORD runtimeFolder(Machine& machine, std::string& out);

// The socket path of a pipe path ("\\.\pipe\KproPipe"); INVALID_NAME when
// the path is not a pipe's.
[[nodiscard]] DWORD pipeSocketPath(Machine& machine, std::string_view pipePath, std::string& out);

// CallNamedPipe: connects (waiting up to `timeoutMilliseconds` for a free
// instance), sends `request`, reads at most kPipeMessageLimit bytes of reply.
// FILE_NOT_FOUND (2) when no server listens, PIPE_BUSY (231) when none was free
// in time, BROKEN_PIPE (109) when the server went away, NO_DATA (232) when it
// closed without a reply, SEM_TIMEOUT when it did not answer in time;
// BUFFER_OVERFLOW for a request over the limit (it is not sent).
[[nodiscard]] DWORD callNamedPipe(Machine& machine, std::string_view pipePath, std::string_view request,
                                  std::string& reply, int timeoutMilliseconds);

// The server's side: a listening socket, serving one client at a time.
class PipeServer {
public:
    PipeServer() = default;
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates the pipe (mode 0600); ALREADY_EXISTS when a live server holds
    // it. A stale socket is replaced.
    [[nodiscard]] DWORD listen(Machine& machine, std::string_view pipePath);
    // Waits for the next client of the same user (others are refused) and
    // reads its request: BUFFER_OVERFLOW when it exceeds the limit. The
    // connection goes to `client` (empty when none came) for reply.
    [[nodiscard]] DWORD accept(std::string& request, UniqueFd& client);
    // Sends at most kPipeMessageLimit bytes and closes the connection.
    static void reply(UniqueFd client, std::string_view text);
    // Unblocks accept from another thread or a signal handler.
    void shutdown();
    void close();

private:
    UniqueFd fd_;
    std::string path_;
};

} // namespace kp::win
