// The start-up entry and the shortcuts as Wine reads and follows them.

#include "config/desktop_shortcuts.h"
#include "config/startup_entry.h"
#include "platform/machine.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace kp;

using ConfigWine = test::RealWinePrefixTest;

TEST_F(ConfigWine, WinesRegQueryReadsTheStartupEntry)
{
    std::filesystem::create_directories(prefix + "/drive_c/Program Files/Klenzor Pro");
    std::ofstream(prefix + "/drive_c/Program Files/Klenzor Pro/KlenPro.exe") << "MZ";
    {
        std::unique_ptr<win::Machine> machine;
        ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
        ASSERT_EQ(WriteStartupEntry(*machine, "C:\\Program Files\\Klenzor Pro\\KlenPro.exe"), win::err::SUCCESS);
    }
    std::string output;
    ASSERT_EQ(test::runWine(prefix, {"reg", "query", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v",
                                     "Klenzor"},
                            output),
              0)
        << output;
    EXPECT_NE(output.find("Klenzor    REG_SZ    \"C:\\PROG~FBU\\KLEN~UON\\KLENPRO.EXE\" BOOT\r\n"), std::string::npos)
        << output;
    // Wine finds the program by that short path.
    test::runWine(prefix, {"cmd", "/c", "dir /b C:\\PROG~FBU\\KLEN~UON\\KLENPRO.EXE"}, output);
    EXPECT_NE(output.find("KlenPro.exe"), std::string::npos) << output;
}

// A program of the host in the prefix's folder stands in for this one: it
// writes its folder and arguments.
TEST_F(ConfigWine, WinesShellStartsTheProgramOfEachShortcutInItsFolder)
{
    const std::string folder = prefix + "/drive_c/Klenzor";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/klenpro") << "#!/bin/sh\necho \"$PWD|$*\" > started.txt\n";
    std::filesystem::permissions(folder + "/klenpro", std::filesystem::perms::owner_all);
    const struct {
        const ShortcutKind& kind;
        const char* arguments;
    } rows[] = {{PlainShortcut, ""}, {AutoShortcut, "auto"}, {ShutShortcut, "SHUT"}};
    for (const auto& row : rows) {
        std::filesystem::remove(folder + "/started.txt");
        std::string desktop;
        {
            std::unique_ptr<win::Machine> machine;
            ASSERT_EQ(win::Machine::open(prefix, machine), win::err::SUCCESS);
            desktop = ShortcutFolder(*machine, ShortcutPlace::Desktop);
            ASSERT_FALSE(desktop.empty());
            ASSERT_EQ(CreateShortcut(*machine, "C:\\Klenzor\\klenpro", row.kind), win::err::SUCCESS);
        }
        std::string output;
        ASSERT_EQ(test::runWine(prefix, {"start", desktop + "\\" + row.kind.name + ".lnk"}, output), 0) << output;
        // The shell starts a link's program without waiting for it.
        std::string line;
        for (int i = 0; i < 600 && line.empty(); ++i) {
            ::usleep(100000);
            std::ifstream started(folder + "/started.txt");
            std::getline(started, line);
        }
        EXPECT_EQ(line, folder + "|" + row.arguments) << row.kind.name;
    }
}
