#include "platform/system/environment.h"

#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/machine_tests.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kp::win;

namespace {

std::string var(Machine& machine, const char* name)
{
    std::string value;
    const DWORD e = machine.environment().get(name, value);
    return e ? "<" + std::to_string(e) + ">" : value;
}

class EnvironmentTest : public kp::test::OnBuiltMachine {
protected:
    void setUserValue(const char* key, const char* name, const char* text, DWORD type)
    {
        RegKey k;
        ASSERT_EQ(machine().registry().createKey(RegRoot::CurrentUser, key, k), err::SUCCESS);
        ASSERT_EQ(machine().registry().setString(k, name, text, type), err::SUCCESS);
    }

    Environment& env() { return machine().environment(); }
};

} // namespace

TEST_F(EnvironmentTest, ProfileVariablesComeFromTheMachineAndOthersFromTheHost)
{
    ::setenv("klenzordat", "C:\\KlenData", 1);
    ::setenv("USERPROFILE", "/home/someone", 1);
    built.reopen();
    const std::string profile = "C:\\Documents and Settings\\Owner";
    const std::pair<const char*, std::string> expected[] = {
        {"USERPROFILE", profile}, // the machine's value wins over the host's
        {"userprofile", profile}, // names are case-insensitive
        {"ALLUSERSPROFILE", "C:\\Documents and Settings\\All Users"},
        {"APPDATA", profile + "\\Application Data"},
        {"USERNAME", "Owner"},
        {"COMPUTERNAME", "KLENZOR-XP"},
        {"SystemRoot", "C:\\WINDOWS"},
        {"SystemDrive", "C:"},
        {"windir", "C:\\WINDOWS"},
        {"HOMEDRIVE", "C:"},
        {"HOMEPATH", "\\Documents and Settings\\Owner"},
        {"ProgramFiles", "C:\\Program Files"},
        // The user's TEMP and TMP replace the machine-wide ones, expanded.
        {"TEMP", profile + "\\Local Settings\\Temp"},
        {"TMP", profile + "\\Local Settings\\Temp"},
        {"Path", "C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem"},
        {"KLENZORDAT", "C:\\KlenData"}, // from the host
        {"NO_SUCH_VARIABLE_X", "<203>"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(var(machine(), name), value) << name;
    ::unsetenv("klenzordat");
    ::unsetenv("USERPROFILE");
}

TEST_F(EnvironmentTest, UserKeysAreReadInWinesOrder)
{
    // An expandable value may use a plain value stored after it in the same key.
    setUserValue("Environment", "LOGS", "%KP_BASE%\\logs", regtype::EXPAND_SZ);
    setUserValue("Environment", "KP_BASE", "D:\\base", regtype::SZ);
    // The user's PATH is appended to the machine's.
    setUserValue("Environment", "PATH", "%USERPROFILE%\\bin", regtype::EXPAND_SZ);
    // Volatile Environment comes last.
    setUserValue("Volatile Environment", "KP_BASE", "E:\\volatile", regtype::SZ);
    env().refresh();
    EXPECT_EQ(var(machine(), "LOGS"), "D:\\base\\logs");
    EXPECT_EQ(var(machine(), "KP_BASE"), "E:\\volatile");
    EXPECT_EQ(var(machine(), "PATH"),
        "C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem;C:\\Documents and Settings\\Owner\\bin");
}

TEST_F(EnvironmentTest, LocalChangesStayInTheProcess)
{
    EXPECT_EQ(env().set("KP_Local", "one"), err::SUCCESS);
    EXPECT_EQ(env().set("kp_local", "two"), err::SUCCESS);
    EXPECT_EQ(env().remove("COMPUTERNAME"), err::SUCCESS);
    EXPECT_EQ(env().remove("NEVER_DEFINED"), err::SUCCESS);
    EXPECT_EQ(env().set("", "x"), err::INVALID_PARAMETER);
    EXPECT_EQ(env().set("A=B", "x"), err::INVALID_PARAMETER);
    env().refresh();
    EXPECT_EQ(var(machine(), "KP_LOCAL"), "two");
    EXPECT_EQ(var(machine(), "COMPUTERNAME"), "<203>");
    int named = 0;
    for (const auto& [name, value] : env().variables())
        named += upperAscii(name) == "KP_LOCAL" ? (name == "kp_local" ? 1 : 100) : 0;
    EXPECT_EQ(named, 1) << "one variable, spelled as it was last set";

    built.reopen();
    EXPECT_EQ(var(machine(), "KP_LOCAL"), "<203>") << "nothing was written to the registry";
    EXPECT_EQ(var(machine(), "COMPUTERNAME"), "KLENZOR-XP");
}

TEST_F(EnvironmentTest, ExpansionKeepsWhatItCannotExpand)
{
    ASSERT_EQ(env().set("A", "alpha"), err::SUCCESS);
    ASSERT_EQ(env().set("B", "%A%"), err::SUCCESS);
    EXPECT_EQ(env().expand("%a%\\%B%"), "alpha\\%A%") << "one level only, as Windows";
    EXPECT_EQ(env().expand("%UNKNOWN%\\x"), "%UNKNOWN%\\x");
    EXPECT_EQ(env().expand("100% sure"), "100% sure");
    EXPECT_EQ(env().expand("%%A%"), "%%A%") << "an empty name is kept and scanning goes on after it";
    EXPECT_EQ(env().expand("%A%%A%"), "alphaalpha");
    EXPECT_EQ(env().expand("%UNKNOWN%A%"), "%UNKNOWN%A%");
    EXPECT_EQ(env().expand(""), "");
    EXPECT_EQ(env().expand("%A"), "%A");
    EXPECT_EQ(env().expand("%klenzordat%"), "%klenzordat%") << "an unset variable reads back as its reference";
}

TEST_F(EnvironmentTest, TempPathFallsBackLikeWindows)
{
    std::string path;
    ASSERT_EQ(env().tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Documents and Settings\\Owner\\Local Settings\\Temp\\");
    ASSERT_EQ(env().set("TMP", ""), err::SUCCESS);
    ASSERT_EQ(env().set("TEMP", "C:\\Other\\..\\Temp\\"), err::SUCCESS);
    ASSERT_EQ(env().tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Temp\\") << "an empty TMP is skipped; the path is made full, with one backslash";
    ASSERT_EQ(env().set("TEMP", "work"), err::SUCCESS);
    machine().setCurrentDirectoryUnchecked("D:\\projects");
    ASSERT_EQ(env().tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "D:\\projects\\work\\");
    ASSERT_EQ(env().remove("TMP"), err::SUCCESS);
    ASSERT_EQ(env().remove("TEMP"), err::SUCCESS);
    ASSERT_EQ(env().tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Documents and Settings\\Owner\\");
    ASSERT_EQ(env().remove("USERPROFILE"), err::SUCCESS);
    ASSERT_EQ(env().tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\WINDOWS\\");
    ASSERT_EQ(env().set("TMP", "C:\\" + std::string(300, 'x')), err::SUCCESS);
    path = "unchanged";
    EXPECT_EQ(env().tempPath(path), err::FILENAME_EXCED_RANGE);
    EXPECT_EQ(path, "unchanged");
}
