#pragma once
// A sample machine with the program's folders set as start-up sets them,
// for the settings tests.

#include "core/keywords.h"
#include "settings/folder_set.h"
#include "settings/settings_file.h"
#include "tests/support/built_machine.h"

#include <string>

namespace kp::test {

inline constexpr const char* kExecFolder = "C:\\PROGRAM FILES\\KLENZOR PRO";
inline constexpr const char* kAppData = "C:\\Documents and Settings\\Owner\\Application Data";

struct SettingsMachine {
    SettingsMachine()
    {
        folders.execFolder = kExecFolder;
        folders.dataFolder = std::string(kAppData) + "\\Klenzor";
        makeFolder(folders.dataFolder);
    }

    win::Machine& machine() { return built.machine(); }
    SettingsFile file() { return SettingsFile(built.machine(), folders); }
    std::string settingsHostPath() const { return built.hostPath(folders.settingsPath()); }
    void makeFolder(const std::string& winPath);
    void writeSettings(const std::string& text);
    std::string readSettings();

    BuiltMachine built;
    FolderSet folders;
};

} // namespace kp::test
