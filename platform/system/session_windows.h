#pragma once
// The top-level windows of the machine: those of the prefix's running Wine
// session, seen through klenwin.exe, a small Win32 helper shipped beside the
// program that runs in that session and answers one request a line. Without
// a running session the machine has no windows, and no Wine is started to
// look for them.

#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kp::win {

using WindowHandle = std::uint64_t;

struct ChildWindow {
    WindowHandle handle = 0;
    int controlId = 0;
    std::string className;
    std::string title;
};

struct SessionWindow {
    WindowHandle handle = 0;
    WindowHandle owner = 0; // 0: none
    bool visible = false;
    std::string className;
    std::string title;
    std::vector<ChildWindow> children; // every descendant, in Z order
};

class MachineWindows {
public:
    virtual ~MachineWindows() = default;
    // NOT_READY at once when no session runs.
    [[nodiscard]] virtual DWORD list(std::vector<SessionWindow>& out) = 0;
    // Foreground and top of the window order, neither moved nor sized.
    [[nodiscard]] virtual DWORD bringToFront(WindowHandle window) = 0;
    // Posts WM_COMMAND with `controlId` (notification BN_CLICKED).
    [[nodiscard]] virtual DWORD postCommand(WindowHandle window, int controlId) = 0;
};

// One helper serves the object's requests while the session lasts; it is
// started at the first request and ended with the object.
class SessionWindows : public MachineWindows {
public:
    // `helperPath`: the host path of klenwin.exe; by default the one beside
    // the running program.
    explicit SessionWindows(std::string prefixDir, std::string helperPath = helperBesideProgram());
    ~SessionWindows() override;
    SessionWindows(const SessionWindows&) = delete;
    SessionWindows& operator=(const SessionWindows&) = delete;

    bool sessionRunning() const;
    DWORD list(std::vector<SessionWindow>& out) override;
    DWORD bringToFront(WindowHandle window) override;
    DWORD postCommand(WindowHandle window, int controlId) override;

    static std::string helperBesideProgram();

private:
    // Sends one request line; the answer, status line included, in `answer`.
    DWORD exchange(const std::string& request, std::string& answer);
    DWORD startHelper();
    void stopHelper();

    std::string prefixDir_;
    std::string helperPath_;
    int helperPid_ = -1;
    UniqueFd toHelper_;
    UniqueFd fromHelper_;
};

// The helper's output: INVALID_DATA unless it ends with "OK"; the code of
// an "ERR <code>" line.
[[nodiscard]] DWORD parseWindowListing(const std::string& text, std::vector<SessionWindow>& out);

} // namespace kp::win
