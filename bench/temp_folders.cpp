// The Temp Folders purge of a temp folder holding 100,000 files in nested
// folders (or that number divided by the first argument) against
// `find <folder> -mindepth 1 -delete` on an identical copy, in one run.

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "purge/folder_tree_purge.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "sample/builder/machine_builder.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

// User and system seconds of this process (or of its finished children):
// steadier than wall time on a busy machine.
double cpuSeconds(int who)
{
    rusage usage {};
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// `files` small files, 100 to a folder, the folders ten to a parent, three deep.
bool fillTree(const std::string& root, int files)
{
    for (int i = 0; i < files; ++i) {
        const int folder = i / 100;
        const std::string dir = root + "/d" + std::to_string(folder / 100) + "/d" + std::to_string(folder / 10 % 10)
                                + "/d" + std::to_string(folder % 10);
        if (i % 100 == 0)
            fs::create_directories(dir);
        std::ofstream(dir + "/f" + std::to_string(i) + ".tmp") << "temporary " << i << '\n';
    }
    return fs::exists(root);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int divisor = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const int files = 100000 / divisor;
    sample::MachineSpec recipe;
    recipe.now = 1796515200;

    std::string root = (fs::temp_directory_path() / "kp-bench-temp-XXXXXX").string();
    if (!::mkdtemp(root.data()))
        return 1;
    const std::string dir = root + "/machine";
    const std::string tree = dir + "/drive_c/BENCHTMP";
    const std::string copy = root + "/copy";
    const std::string model = root + "/model";
    auto start = std::chrono::steady_clock::now();
    if (win::DWORD code = sample::buildMachine(dir, recipe)) {
        std::fprintf(stderr, "building the machine failed: %u\n", unsigned(code));
        return 1;
    }
    // Both trees are copies of one model made the same way, so that neither
    // lies on the disk as the older one.
    if (!fillTree(model, files) || run("cp -a '" + model + "' '" + tree + "'") != 0
        || run("cp -a '" + model + "' '" + copy + "'") != 0) {
        std::fprintf(stderr, "building the temp folder or its copy failed\n");
        return 1;
    }
    fs::remove_all(model);
    std::printf("temp folder: %d files built in %.1f s\n", files, secondsSince(start));
    run("sync");

    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(dir, machine) != win::err::SUCCESS)
        return 1;
    PurgeRig<> rig;
    auto& [messages, errors, state, keywords, general, folders, report] = rig;
    folders.purgeTemp = {{"C:\\BENCHTMP", "bench"}};
    PurgeContext context{report, state, errors, keywords, folders, general, messages, machine.get()};

    start = std::chrono::steady_clock::now();
    double cpuStart = cpuSeconds(RUSAGE_SELF);
    PurgeTempFolders(context);
    const double purgeSeconds = secondsSince(start);
    const double purgeCpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
    std::printf("purge: %lld items in %.2f s (cpu %.2f s), error level %d\n", state.ProcessedCount, purgeSeconds,
                purgeCpu, errors.ErrorLevel);
    run("sync"); // the purge's writes are not left to slow find down
    start = std::chrono::steady_clock::now();
    cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    run("find '" + copy + "' -mindepth 1 -delete");
    const double findSeconds = secondsSince(start);
    const double findCpu = cpuSeconds(RUSAGE_CHILDREN) - cpuStart;
    std::printf("find -delete: %.2f s (cpu %.2f s); purge / find = %.2f, in cpu %.2f (target at most 1.5)\n",
                findSeconds, findCpu, purgeSeconds / findSeconds, purgeCpu / findCpu);
    const bool emptied = fs::is_empty(tree) && fs::is_empty(copy);
    machine.reset();
    fs::remove_all(root);
    return emptied ? 0 : 1;
}
