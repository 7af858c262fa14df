// Prints how long the machine builder takes for machines of growing size,
// and how long a fresh machine takes to build its environment and answer
// every shell folder.

#include "platform/machine.h"
#include "platform/system/environment.h"
#include "platform/system/shell_folders.h"
#include "sample/builder/machine_builder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    char pattern[] = "/tmp/kp-bench-builder-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string scratch = pattern;
    for (int scale : {1, 10, 100}) {
        kp::sample::MachineSpec recipe;
        recipe.now = 1796515200;
        recipe.tempFiles *= scale;
        recipe.documents *= scale;
        recipe.historyDays *= scale;
        recipe.typedUrls *= scale;
        recipe.zoneSites *= scale;
        recipe.cookieDecisions *= scale;
        recipe.formItems *= scale;
        recipe.userDataFiles *= scale;
        const std::string dir = scratch + "/machine" + std::to_string(scale);
        auto start = std::chrono::steady_clock::now();
        kp::win::DWORD e = kp::sample::buildMachine(dir, recipe);
        double built = millisecondsSince(start);
        if (e) {
            std::fprintf(stderr, "buildMachine failed with %u\n", e);
            return 1;
        }

        std::unique_ptr<kp::win::Machine> machine;
        start = std::chrono::steady_clock::now();
        std::string value;
        if (kp::win::Machine::open(dir, machine) != kp::win::err::SUCCESS
            || machine->environment().get("USERPROFILE", value) != kp::win::err::SUCCESS) {
            std::fprintf(stderr, "the machine built cannot be opened\n");
            return 1;
        }
        double environment = millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        int found = 0;
        for (int id = 0; id < 0x40; ++id) {
            std::string path;
            found += kp::win::shGetFolderPath(*machine, id, path) == 0;
        }
        double folders = millisecondsSince(start);
        std::printf("scale %3d (%4d temp files, %3d history days): build %8.1f ms, open + environment %6.2f ms, "
                    "64 folder lookups (%d found) %6.2f ms\n",
                    scale, recipe.tempFiles, recipe.historyDays, built, environment, found, folders);
        machine.reset();
        kp::sample::removeMachine(dir);
    }
    ::rmdir(scratch.c_str());
    return 0;
}
