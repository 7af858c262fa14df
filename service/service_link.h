#pragma once
// The program's side of the companion service: its installation state, the
// user's rights, and the request/reply exchange over the service's pipe. On
// the 9x family there is no service and the purge requests run in process.

#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace kp {

namespace win {
class Machine;
}

inline constexpr const char* kServiceName = "KlenProService";
inline constexpr const char* kServiceDisplayName = "KlenPro XP Service";
inline constexpr const char* kDefaultPipeName = "KproPipe";
inline constexpr int kPipeTimeoutMilliseconds = 5000;

// The reply text of a failed pipe transaction.
std::string pipeErrorText(win::DWORD code);

// The user's SID in its text form, accepted when it has at least seven "-",
// a key under HKEY_USERS and a ProfileList entry; else the first such SID
// among the protected-storage identities; "" when none passes.
std::string findUserSid(win::Machine& machine);
bool acceptableSid(win::Machine& machine, const std::string& sid);

class ServiceLink {
public:
    // One pipe transaction: the pipe path, the request, the reply; a Win32 code.
    using Transport = std::function<win::DWORD(const std::string& pipePath, const std::string& request,
                                               std::string& reply)>;

    explicit ServiceLink(win::Machine& machine);
    // Replaces the pipe transaction (tests).
    void setTransport(Transport transport) { transport_ = std::move(transport); }

    void SetPipeName(const std::string& name) { pipePath_ = "\\\\.\\pipe\\" + name; }
    const std::string& pipePath() const { return pipePath_; }

    // The reply followed by two blanks, or the error text of the pipe.
    std::string PipeRequest(const std::string& request);
    // SID + "|" + command; "*** Error - Service User-Id not found" without SID.
    std::string UserRequest(const std::string& command);
    // "STAT", "FORM": through the service on the NT family, in process on 9x.
    std::string ServiceCommand(const std::string& command);
    // The MSN search-history request, split the same way.
    std::string MsnSearchHistoryCommand();

    // -1 when the service manager cannot be used (the 9x family), 0 when
    // the service is not installed, 1 when it is.
    int IsServiceInstalled(const std::string& name);
    bool IsServiceRunning(const std::string& name);
    // True on the 9x family.
    bool IsUserAdmin();

    bool ntFamily();
    win::Machine& machine() { return machine_; }

private:
    win::Machine& machine_;
    std::string pipePath_;
    Transport transport_;
};

// The in-process equivalents of FORM and MSNS, for the user's hive and the
// machine's.
std::string inProcessAutoCompleteForms(win::Machine& machine);
std::string inProcessMsnSearchHistory(win::Machine& machine);

// The status lines of the clipboard copy of the main window.
std::vector<std::string> serviceStatusLines(ServiceLink& link);

} // namespace kp
