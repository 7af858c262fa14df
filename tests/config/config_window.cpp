#include "tests/config/config_window.h"

#include "platform/registry/registry.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

namespace kp::test {

ConfigWindow::ConfigWindow(std::string programName)
{
    executable = "C:\\KP\\" + programName;
    temp.writeFile("kp/" + programName, "MZ");
    temp.makeDir("data");
    temp.makeDir("desktop");
    folders.execFolder = "C:\\KP";
    folders.dataFolder = "C:\\DATA";
    win::Registry& registry = temp.machine().registry();
    win::RegKey key;
    EXPECT_EQ(registry.createKey(win::RegRoot::CurrentUser,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", key),
              win::err::SUCCESS);
    EXPECT_EQ(registry.setString(key, "Desktop", "C:\\DESKTOP"), win::err::SUCCESS);
}

void ConfigWindow::makeWindows98()
{
    win::Registry& registry = temp.machine().registry();
    win::RegKey key;
    EXPECT_EQ(registry.createKey(win::RegRoot::CurrentUser, "Software\\Wine", key), win::err::SUCCESS);
    EXPECT_EQ(registry.setString(key, "Version", "win98"), win::err::SUCCESS);
}

TConfigForm& ConfigWindow::open()
{
    form = std::make_unique<TConfigForm>(ConfigFormSetup {
        temp.machine(), messages, keywords, folders, general, ie,
        PurgeContext {report, run, errors, keywords, folders, general, messages, &temp.machine()}, executable,
        [this] { ++hintsApplied; }, ReadThemeState(temp.machine(), executable)});
    form->FormActivate();
    return *form;
}

bool ConfigWindow::shown(const char* name)
{
    return form->findChild<QWidget*>(name)->isVisibleTo(form.get());
}

std::string ConfigWindow::setting(const char* section, const char* key)
{
    SettingsFile file(temp.machine(), folders);
    return file.readText(section, key, "-");
}

} // namespace kp::test
