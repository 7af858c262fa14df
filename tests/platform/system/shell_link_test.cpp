// Links the platform saves are read by lnkinfo (liblnk) and followed by
// Wine's shell.

#include "platform/machine.h"
#include "platform/system/shell_link.h"
#include "tests/support/child_process.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/temp_machine.h"
#include "tests/support/wine_prefix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace kp::win;

namespace {

constexpr const char* kLnkInfo = "/usr/bin/lnkinfo";

ShellLink programLink(const std::string& target, const std::string& arguments)
{
    ShellLink link;
    link.targetPath = target;
    link.arguments = arguments;
    link.workingDir = target.substr(0, target.rfind('\\'));
    link.iconLocation = link.workingDir + "\\FastPro.ico";
    link.showCommand = showcmd::SHOW;
    return link;
}

} // namespace

TEST(ShellLink, LnkInfoReadsTheTargetArgumentsFolderAndIcon)
{
    if (::access(kLnkInfo, X_OK) != 0)
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    kp::test::TempMachine temp;
    temp.writeFile("Program Files/Klenzor/KlenPro.exe", "MZ");
    temp.makeDir("Desktop");
    const std::string target = "C:\\Program Files\\Klenzor\\KlenPro.exe";
    ASSERT_EQ(saveShellLink(temp.machine(), "C:\\Desktop\\Diruv IRO Vur.lnk", programLink(target, "auto")),
              err::SUCCESS);
    // A second save replaces the link.
    ASSERT_EQ(saveShellLink(temp.machine(), "C:\\Desktop\\Diruv IRO Vur.lnk", programLink(target, "SHUT")),
              err::SUCCESS);

    std::string output;
    ASSERT_EQ(kp::test::runProgram({kLnkInfo, temp.hostPath("Desktop/Diruv IRO Vur.lnk")}, {}, &output), 0) << output;
    for (const char* expected : {"Local path\t\t\t: C:\\Program Files\\Klenzor\\KlenPro.exe",
                                 "Working directory\t\t: C:\\Program Files\\Klenzor",
                                 "Command line arguments\t\t: SHUT",
                                 "Icon location\t\t\t: C:\\Program Files\\Klenzor\\FastPro.ico",
                                 "File size\t\t\t: 2 bytes"})
        EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
    EXPECT_EQ(output.find("auto"), std::string::npos);
}

using ShellLinkWine = kp::test::RealWinePrefixTest;

TEST_F(ShellLinkWine, WinesShellStartsTheTargetWithItsArgumentsInItsFolder)
{
    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    std::error_code ignored;
    ShellLink link = programLink("C:\\windows\\system32\\cmd.exe", "/c cd > linked.txt");
    link.workingDir = "C:\\users\\Public";
    ASSERT_EQ(saveShellLink(*machine, "C:\\users\\Public\\Probe.lnk", link), err::SUCCESS);

    // The shell starts a link's target without waiting for it.
    std::string output;
    ASSERT_EQ(kp::test::runWine(prefix, {"start", "C:\\users\\Public\\Probe.lnk"}, output), 0) << output;
    const std::string written = prefix + "/drive_c/users/Public/linked.txt";
    const auto writtenSize = [&] {
        const auto size = std::filesystem::file_size(written, ignored);
        return ignored ? 0 : size;
    };
    for (int i = 0; i < 600 && writtenSize() == 0; ++i)
        ::usleep(100000);
    ASSERT_TRUE(kp::test::stopWineSession(prefix));
    std::ifstream file(written);
    std::string folder;
    std::getline(file, folder);
    EXPECT_EQ(folder, "C:\\users\\Public\r");
}
