#include "tests/settings/settings_support.h"

#include "platform/files/file_system.h"
#include "platform/files/text_file.h"

#include <gtest/gtest.h>

namespace kp::test {

void SettingsMachine::makeFolder(const std::string& winPath)
{
    win::FileSystem files(built.machine());
    ASSERT_EQ(files.createDirectory(winPath), win::err::SUCCESS);
}

void SettingsMachine::writeSettings(const std::string& text)
{
    ASSERT_EQ(win::writeTextFile(built.machine(), folders.settingsPath(), text), win::err::SUCCESS);
}

std::string SettingsMachine::readSettings()
{
    std::string text;
    // A file not written yet reads as empty.
    const win::DWORD e = win::readTextFile(built.machine(), folders.settingsPath(), text);
    EXPECT_TRUE(e == win::err::SUCCESS || e == win::err::FILE_NOT_FOUND) << e;
    return text;
}

} // namespace kp::test
