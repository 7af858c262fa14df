// A Windows program started through the platform runs under the prefix's
// Wine and its exit code comes back.

#include "platform/machine.h"
#include "platform/system/program_run.h"
#include "tests/support/real_wine_prefix.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp::win;

using ProgramRunWine = kp::test::UrlCacheProbeTest;

TEST_F(ProgramRunWine, AWindowsProgramRunsUnderWineWithItsArguments)
{
    std::filesystem::copy_file(probePath(), prefix + "/drive_c/probe.exe");
    std::unique_ptr<Machine> machine;
    ASSERT_EQ(Machine::open(prefix, machine), err::SUCCESS);
    for (const auto& [line, exitCode] : {std::pair{"C:\\probe.exe folders", 0}, std::pair{"C:\\PROBE.EXE", 2}}) {
        ProgramRun run;
        ASSERT_EQ(runProgram(*machine, line, 120000, run), err::SUCCESS) << line;
        EXPECT_TRUE(run.started) << line;
        EXPECT_TRUE(run.ended) << line;
        EXPECT_EQ(run.exitCode, exitCode) << line;
    }
}
