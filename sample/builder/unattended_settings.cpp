#include "sample/builder/unattended_settings.h"

#include "platform/files/file_system.h"
#include "platform/machine.h"
#include "platform/profile/profile.h"
#include "platform/system/shell_folders.h"

#include <cctype>
#include <memory>
#include <utility>

namespace kp::sample {

using namespace kp::win;

DWORD writeUnattendedPurgeSettings(const std::string& prefixDir, const std::string& userName)
{
    std::unique_ptr<Machine> machine;
    if (DWORD e = Machine::open(prefixDir, machine))
        return e;
    std::string appData;
    if (DWORD e = shGetFolderPath(*machine, 26, appData))
        return e;
    const std::string dataFolder = appData + "\\Klenzor";
    FileSystem files(*machine);
    if (DWORD e = files.createDirectory(dataFolder); e && e != err::ALREADY_EXISTS)
        return e;

    const std::string settings = dataFolder + "\\KlenPro.Ini";
    const std::pair<const char*, const char*> options[] = {
        {"NormalCache", "1"}, {"SubscriptionCache", "1"}, {"Cookies", "1"}, {"Visited", "1"},
        {"NsDD", "0"}, {"NsHH", "0"}, {"NsMM", "0"}, {"SbDD", "0"}, {"SbHH", "0"}, {"SbMM", "0"},
        {"ReportOpt", "0"},
    };
    Profile profile(*machine);
    for (const auto& [key, value] : options)
        if (DWORD e = profile.writeString("AutoOptions", key, value, settings))
            return e;

    std::string user;
    for (char c : userName)
        user += char(std::tolower(static_cast<unsigned char>(c)));
    const std::string protect = "Cookie:" + user + "@www.example.com/\r\n";
    File file;
    if (DWORD e = files.createFile(dataFolder + "\\KlenPro.Dat", access::GENERIC_WRITE, 0, Disposition::CreateAlways,
            attr::NORMAL, file))
        return e;
    DWORD written = 0;
    return file.write(protect.data(), DWORD(protect.size()), written);
}

} // namespace kp::sample
