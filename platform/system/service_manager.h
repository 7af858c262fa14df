#pragma once
// The machine's service manager: services registered under
// HKLM\System\CurrentControlSet\Services\<name> in system.reg. A service runs
// as a host program started with WINEPREFIX set; it is running while the
// process whose id it recorded in the machine's runtime folder is alive.
// Administrator rights are the right to write system.reg.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

class Machine;

inline constexpr const char* kServicesKey = "System\\CurrentControlSet\\Services";

namespace service_state {
inline constexpr DWORD STOPPED = 1;
inline constexpr DWORD RUNNING = 4;
} // namespace service_state

// CreateService for an own-process service started automatically; the
// image path is a Windows path. SERVICE_EXISTS (1073) when it is registered.
[[nodiscard]] DWORD createService(Machine& machine, std::string_view name, std::string_view displayName,
                                  std::string_view imagePath);
// DeleteService: SERVICE_DOES_NOT_EXIST when it is not registered.
[[nodiscard]] DWORD deleteService(Machine& machine, std::string_view name);
// OpenService: SUCCESS when the service is registered.
[[nodiscard]] DWORD openService(Machine& machine, std::string_view name);
// QueryServiceStatus's current state.
[[nodiscard]] DWORD queryServiceState(Machine& machine, std::string_view name, DWORD& state);

// `net start` / `net stop` with a service's display name (or its name):
// starts its program and waits until it has recorded itself (up to 10 s);
// stops it and waits for its end. SERVICE_DOES_NOT_EXIST for an unknown
// service, SERVICE_ALREADY_RUNNING (1056), SERVICE_NOT_ACTIVE (1062).
[[nodiscard]] DWORD startService(Machine& machine, std::string_view displayName);
[[nodiscard]] DWORD stopService(Machine& machine, std::string_view displayName);

// What a service program calls once it serves: records its process id, and
// removes the record when it ends.
[[nodiscard]] DWORD recordServiceProcess(Machine& machine, std::string_view name);
void clearServiceProcess(Machine& machine, std::string_view name);

// The user may write the machine's system.reg (and so install services).
bool userIsAdministrator(Machine& machine);

} // namespace kp::win
