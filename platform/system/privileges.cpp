#include "platform/system/privileges.h"

#include "platform/files/win_path.h"

#include <array>

namespace kp::win {

namespace {

// The privileges of Windows in the order of their LUIDs, from 2.
constexpr std::array<std::string_view, 35> kPrivilegeNames = {
    "SeCreateTokenPrivilege", "SeAssignPrimaryTokenPrivilege", "SeLockMemoryPrivilege",
    "SeIncreaseQuotaPrivilege", "SeMachineAccountPrivilege", "SeTcbPrivilege", "SeSecurityPrivilege",
    "SeTakeOwnershipPrivilege", "SeLoadDriverPrivilege", "SeSystemProfilePrivilege", "SeSystemtimePrivilege",
    "SeProfileSingleProcessPrivilege", "SeIncreaseBasePriorityPrivilege", "SeCreatePagefilePrivilege",
    "SeCreatePermanentPrivilege", "SeBackupPrivilege", "SeRestorePrivilege", "SeShutdownPrivilege",
    "SeDebugPrivilege", "SeAuditPrivilege", "SeSystemEnvironmentPrivilege", "SeChangeNotifyPrivilege",
    "SeRemoteShutdownPrivilege", "SeUndockPrivilege", "SeSyncAgentPrivilege", "SeEnableDelegationPrivilege",
    "SeManageVolumePrivilege", "SeImpersonatePrivilege", "SeCreateGlobalPrivilege",
    "SeTrustedCredManAccessPrivilege", "SeRelabelPrivilege", "SeIncreaseWorkingSetPrivilege",
    "SeTimeZonePrivilege", "SeCreateSymbolicLinkPrivilege", "SeDelegateSessionUserImpersonatePrivilege",
};
constexpr DWORD kFirstLuid = 2;

} // namespace

DWORD lookupPrivilegeValue(std::string_view name, DWORD& luid)
{
    for (std::size_t i = 0; i < kPrivilegeNames.size(); ++i) {
        if (equalNoCase(kPrivilegeNames[i], name)) {
            luid = kFirstLuid + DWORD(i);
            return err::SUCCESS;
        }
    }
    return err::NO_SUCH_PRIVILEGE;
}

DWORD enableTokenPrivilege(DWORD luid)
{
    const bool known = luid >= kFirstLuid && luid < kFirstLuid + kPrivilegeNames.size();
    return known ? err::SUCCESS : err::NO_SUCH_PRIVILEGE;
}

} // namespace kp::win
