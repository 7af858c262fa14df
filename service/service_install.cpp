#include "service/service_install.h"

#include "core/identity.h"
#include "core/message_service.h"
#include "platform/files/win_path.h"
#include "platform/system/program_run.h"
#include "platform/system/service_manager.h"
#include "service/service_link.h"

#include <limits>

namespace kp {

namespace {

const std::string kProduct = identity::ProductName;
const std::string kNetStop = std::string("stop \"") + kServiceDisplayName + "\"";
const std::string kNetStart = std::string("start \"") + kServiceDisplayName + "\"";

// `net start "name"` / `net stop "name"`: true when the command was one.
bool netCommand(win::Machine& machine, const std::string& arguments)
{
    const std::size_t blank = arguments.find(' ');
    const std::string verb = arguments.substr(0, blank);
    std::string name = blank == std::string::npos ? std::string() : arguments.substr(blank + 1);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    // As with any program run, what counts is that net ran, not its outcome.
    if (win::equalNoCase(verb, "start"))
        static_cast<void>(win::startService(machine, name));
    else if (win::equalNoCase(verb, "stop"))
        static_cast<void>(win::stopService(machine, name));
    else
        return false;
    return true;
}

// Steps 2 and 3 of the removal: stop the service when it runs, then let its
// program unregister it.
void removeInstalled(ServiceLink& link, const std::string& programFolder)
{
    if (link.IsServiceInstalled(kServiceName) <= 0)
        return;
    if (link.IsServiceRunning(kServiceName))
        RunAndWait(link, "Net", kNetStop, false);
    RunAndWait(link, servicePath(programFolder), "/uninstall /silent", true);
}

void warn(MessageService& messages, const std::string& text, MsgButtons buttons)
{
    messages.show(kProduct + " -  Warning", text, MsgKind::Warning, buttons);
}

} // namespace

std::string servicePath(const std::string& programFolder) { return programFolder + "\\klenpro-service"; }

bool RunAndWait(ServiceLink& link, const std::string& program, const std::string& arguments, bool)
{
    if (win::equalNoCase(program, "net") && netCommand(link.machine(), arguments))
        return true;
    win::ProgramRun run;
    return win::runProgram(link.machine(), program + " " + arguments, std::numeric_limits<int>::max(), run)
            == win::err::SUCCESS
        && run.started;
}

bool UninstallService(ServiceLink& link, MessageService& messages, const std::string& programFolder)
{
    if (!link.ntFamily())
        return true;
    if (!link.IsUserAdmin()) {
        warn(messages, "Unable to Uninstall the Service\r\nrequired for NT / Win2000 / XP Processing", Yes);
        return false;
    }
    removeInstalled(link, programFolder);
    return true;
}

void InstallService(ServiceLink& link, MessageService& messages, const std::string& programFolder)
{
    if (!link.ntFamily())
        return;
    if (!link.IsUserAdmin()) {
        warn(messages, "Unable to install the Service\r\nrequired for NT / Win2000 / XP Processing", OK);
        return;
    }
    removeInstalled(link, programFolder);
    RunAndWait(link, servicePath(programFolder), "/install /silent", true);
    RunAndWait(link, "Net", kNetStart, false);
    if (link.IsServiceInstalled(kServiceName) >= 1) {
        if (link.ServiceCommand("STAT").compare(0, 9, "ServiceOK") != 0)
            messages.show(kProduct + " -  Information",
                          "Install of the " + kProduct + " Service\r\ncompleted successfully.\r\n\r\nYou must restart "
                              "your system before\r\nrunning " + kProduct + ".",
                          MsgKind::Information, OK);
    } else {
        warn(messages, "Unable to Install the Service\r\nrequired for NT / Win2000 / XP Processing", OK);
    }
}

} // namespace kp
