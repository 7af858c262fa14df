#include "platform/system/environment.h"

#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "tests/support/built_machine.h"
#include "tests/support/real_wine_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kp::win;
using kp::test::BuiltMachine;

namespace {

std::string var(Machine& machine, const char* name)
{
    std::string value;
    DWORD e = machine.environment().get(name, value);
    return e ? "<" + std::to_string(e) + ">" : value;
}

void setUserValue(Machine& machine, const char* key, const char* name, const char* text, DWORD type)
{
    RegKey k;
    ASSERT_EQ(machine.registry().createKey(RegRoot::CurrentUser, key, k), err::SUCCESS);
    ASSERT_EQ(machine.registry().setString(k, name, text, type), err::SUCCESS);
}

} // namespace

TEST(Environment, ProfileVariablesComeFromTheMachine)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    const std::string profile = "C:\\Documents and Settings\\Owner";
    EXPECT_EQ(var(m, "USERPROFILE"), profile);
    EXPECT_EQ(var(m, "ALLUSERSPROFILE"), "C:\\Documents and Settings\\All Users");
    EXPECT_EQ(var(m, "APPDATA"), profile + "\\Application Data");
    EXPECT_EQ(var(m, "USERNAME"), "Owner");
    EXPECT_EQ(var(m, "COMPUTERNAME"), "KLENZOR-XP");
    EXPECT_EQ(var(m, "SystemRoot"), "C:\\WINDOWS");
    EXPECT_EQ(var(m, "SystemDrive"), "C:");
    EXPECT_EQ(var(m, "windir"), "C:\\WINDOWS");
    EXPECT_EQ(var(m, "HOMEDRIVE"), "C:");
    EXPECT_EQ(var(m, "HOMEPATH"), "\\Documents and Settings\\Owner");
    EXPECT_EQ(var(m, "ProgramFiles"), "C:\\Program Files");
    // The user's TEMP and TMP replace the machine-wide ones, expanded.
    EXPECT_EQ(var(m, "TEMP"), profile + "\\Local Settings\\Temp");
    EXPECT_EQ(var(m, "TMP"), profile + "\\Local Settings\\Temp");
    EXPECT_EQ(var(m, "Path"), "C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem");
    // Names are case-insensitive.
    EXPECT_EQ(var(m, "userprofile"), profile);
    EXPECT_EQ(var(m, "NO_SUCH_VARIABLE_X"), "<203>");
}

TEST(Environment, HostVariablesPassThroughUnlessWineKeepsThem)
{
    ::setenv("klenzordat", "C:\\KlenData", 1);
    ::setenv("USERPROFILE", "/home/someone", 1);
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    EXPECT_EQ(var(m, "KLENZORDAT"), "C:\\KlenData");
    EXPECT_EQ(var(m, "USERPROFILE"), "C:\\Documents and Settings\\Owner") << "the machine's value wins";
    EXPECT_NE(var(m, "PATH"), std::getenv("PATH") ? std::getenv("PATH") : "");
    ::unsetenv("klenzordat");
    ::unsetenv("USERPROFILE");
}

TEST(Environment, UserKeysAreReadInWinesOrder)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    // An expandable value may use a plain value stored after it in the same key.
    setUserValue(m, "Environment", "LOGS", "%KP_BASE%\\logs", regtype::EXPAND_SZ);
    setUserValue(m, "Environment", "KP_BASE", "D:\\base", regtype::SZ);
    // The user's PATH is appended to the machine's.
    setUserValue(m, "Environment", "PATH", "%USERPROFILE%\\bin", regtype::EXPAND_SZ);
    // Volatile Environment comes last.
    setUserValue(m, "Volatile Environment", "KP_BASE", "E:\\volatile", regtype::SZ);
    m.environment().refresh();
    EXPECT_EQ(var(m, "LOGS"), "D:\\base\\logs");
    EXPECT_EQ(var(m, "KP_BASE"), "E:\\volatile");
    EXPECT_EQ(var(m, "PATH"), "C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem;"
                              "C:\\Documents and Settings\\Owner\\bin");
}

TEST(Environment, LocalChangesStayInTheProcess)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Environment& env = built.machine().environment();
    EXPECT_EQ(env.set("KP_Local", "one"), err::SUCCESS);
    EXPECT_EQ(env.set("kp_local", "two"), err::SUCCESS);
    EXPECT_EQ(env.remove("COMPUTERNAME"), err::SUCCESS);
    EXPECT_EQ(env.remove("NEVER_DEFINED"), err::SUCCESS);
    EXPECT_EQ(env.set("", "x"), err::INVALID_PARAMETER);
    EXPECT_EQ(env.set("A=B", "x"), err::INVALID_PARAMETER);
    env.refresh();
    EXPECT_EQ(var(built.machine(), "KP_LOCAL"), "two");
    EXPECT_EQ(var(built.machine(), "COMPUTERNAME"), "<203>");
    int named = 0;
    for (const auto& [name, value] : env.variables())
        named += upperAscii(name) == "KP_LOCAL" ? (name == "kp_local" ? 1 : 100) : 0;
    EXPECT_EQ(named, 1) << "one variable, spelled as it was last set";

    built.reopen();
    EXPECT_EQ(var(built.machine(), "KP_LOCAL"), "<203>") << "nothing was written to the registry";
    EXPECT_EQ(var(built.machine(), "COMPUTERNAME"), "KLENZOR-XP");
}

TEST(Environment, ExpansionKeepsWhatItCannotExpand)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Environment& env = built.machine().environment();
    ASSERT_EQ(env.set("A", "alpha"), err::SUCCESS);
    ASSERT_EQ(env.set("B", "%A%"), err::SUCCESS);
    EXPECT_EQ(env.expand("%a%\\%B%"), "alpha\\%A%") << "one level only, as Windows";
    EXPECT_EQ(env.expand("%UNKNOWN%\\x"), "%UNKNOWN%\\x");
    EXPECT_EQ(env.expand("100% sure"), "100% sure");
    EXPECT_EQ(env.expand("%%A%"), "%%A%") << "an empty name is kept and scanning goes on after it";
    EXPECT_EQ(env.expand("%A%%A%"), "alphaalpha");
    EXPECT_EQ(env.expand("%UNKNOWN%A%"), "%UNKNOWN%A%");
    EXPECT_EQ(env.expand(""), "");
    EXPECT_EQ(env.expand("%A"), "%A");
    EXPECT_EQ(env.expand("%klenzordat%"), "%klenzordat%") << "an unset variable reads back as its reference";
}

TEST(Environment, TempPathFallsBackLikeWindows)
{
    BuiltMachine built;
    ASSERT_TRUE(built.ok());
    Machine& m = built.machine();
    Environment& env = m.environment();
    std::string path;
    ASSERT_EQ(env.tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Documents and Settings\\Owner\\Local Settings\\Temp\\");

    ASSERT_EQ(env.set("TMP", ""), err::SUCCESS);
    ASSERT_EQ(env.set("TEMP", "C:\\Other\\..\\Temp\\"), err::SUCCESS);
    ASSERT_EQ(env.tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Temp\\") << "an empty TMP is skipped; the path is made full, with one backslash";

    ASSERT_EQ(env.set("TEMP", "work"), err::SUCCESS);
    m.setCurrentDirectoryUnchecked("D:\\projects");
    ASSERT_EQ(env.tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "D:\\projects\\work\\");

    ASSERT_EQ(env.remove("TMP"), err::SUCCESS);
    ASSERT_EQ(env.remove("TEMP"), err::SUCCESS);
    ASSERT_EQ(env.tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\Documents and Settings\\Owner\\");
    ASSERT_EQ(env.remove("USERPROFILE"), err::SUCCESS);
    ASSERT_EQ(env.tempPath(path), err::SUCCESS);
    EXPECT_EQ(path, "C:\\WINDOWS\\");

    ASSERT_EQ(env.set("TMP", "C:\\" + std::string(300, 'x')), err::SUCCESS);
    path = "unchanged";
    EXPECT_EQ(env.tempPath(path), err::FILENAME_EXCED_RANGE);
    EXPECT_EQ(path, "unchanged");
}

TEST(Environment, RealWinePrefix)
{
    Machine* wine = kp::test::realWineMachine();
    if (!wine)
        GTEST_SKIP() << kp::test::realWineMachineError();
    std::string user = var(*wine, "USERNAME");
    const std::string profile = "C:\\users\\" + user;
    EXPECT_EQ(var(*wine, "USERPROFILE"), profile);
    EXPECT_EQ(var(*wine, "APPDATA"), profile + "\\AppData\\Roaming");
    EXPECT_EQ(var(*wine, "LOCALAPPDATA"), profile + "\\AppData\\Local");
    EXPECT_EQ(var(*wine, "ALLUSERSPROFILE"), "C:\\ProgramData");
    EXPECT_EQ(var(*wine, "PUBLIC"), "C:\\users\\Public");
    EXPECT_EQ(var(*wine, "windir"), "C:\\windows");
    EXPECT_EQ(var(*wine, "ProgramFiles"), "C:\\Program Files");
    EXPECT_EQ(var(*wine, "ProgramFiles(x86)"), "C:\\Program Files (x86)");
    EXPECT_EQ(var(*wine, "TEMP"), profile + "\\Temp");
    EXPECT_EQ(var(*wine, "PATH").rfind("C:\\windows\\system32;C:\\windows;", 0), 0u) << var(*wine, "PATH");
    std::string temp;
    ASSERT_EQ(wine->environment().tempPath(temp), err::SUCCESS);
    EXPECT_EQ(temp, profile + "\\Temp\\");
}
