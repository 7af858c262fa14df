#pragma once
// Installing and removing the companion service (INIT and UNINST), and the
// program start they use. On the 9x family there is no service to install.

#include <string>

namespace kp {

class MessageService;
class ServiceLink;

// The service program beside the program: `programFolder` + "\klenpro-service".
std::string servicePath(const std::string& programFolder);

// Starts `program` + " " + `arguments` and waits for its end without limit;
// "Net start|stop "<display name>"" is served by the machine's service
// manager. `show` is the show flag (there is no window to show on the host).
// False when the program cannot be started.
bool RunAndWait(ServiceLink& link, const std::string& program, const std::string& arguments, bool show);

// Stops and removes the installed service; false (with its warning) when the
// user is no administrator.
bool UninstallService(ServiceLink& link, MessageService& messages, const std::string& programFolder);
// Removes a previous copy, installs and starts the service and tests it;
// tells failures by message box.
void InstallService(ServiceLink& link, MessageService& messages, const std::string& programFolder);

} // namespace kp
