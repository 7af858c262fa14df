#include "tests/settings/settings_support.h"

#include "platform/files/file_system.h"
#include "platform/files/text_file.h"

namespace kp::test {

void SettingsMachine::makeFolder(const std::string& winPath)
{
    win::FileSystem files(built.machine());
    files.createDirectory(winPath);
}

void SettingsMachine::writeSettings(const std::string& text)
{
    win::writeTextFile(built.machine(), folders.settingsPath(), text);
}

std::string SettingsMachine::readSettings()
{
    std::string text;
    win::readTextFile(built.machine(), folders.settingsPath(), text);
    return text;
}

} // namespace kp::test
