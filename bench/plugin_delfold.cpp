// A plugin's DELFOLD=...[*.*]DS on 100,000 files in nested folders (100
// folders of 10 subfolders of 100 files) against "find -mindepth 1 -delete"
// on an identical tree on the same file system. An argument gives another
// file count (a multiple of 1,000).

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "plugins/plugin_run.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

void makeTree(const std::string& root, int files)
{
    const int top = files / 1000;
    for (int t = 0; t < top; ++t)
        for (int s = 0; s < 10; ++s) {
            const std::string folder = root + "/top" + std::to_string(t) + "/sub" + std::to_string(s);
            fs::create_directories(folder);
            for (int f = 0; f < 100; ++f)
                std::ofstream(folder + "/file" + std::to_string(f) + ".tmp") << "x";
        }
}

long long entries(const std::string& root)
{
    long long n = 0;
    for ([[maybe_unused]] const auto& entry : fs::recursive_directory_iterator(root))
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::max(1000, std::atoi(argv[1]) / 1000 * 1000) : 100'000;
    std::string dir = (fs::temp_directory_path() / "kp-bench-delfold-XXXXXX").string();
    if (!::mkdtemp(dir.data()))
        return 1;
    fs::create_directories(dir + "/dosdevices");
    fs::create_symlink("../drive_c", dir + "/dosdevices/c:");
    std::ofstream(dir + "/system.reg") << "WINE REGISTRY Version 2\n";
    makeTree(dir + "/drive_c/ours", files);
    makeTree(dir + "/drive_c/find", files);

    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(dir, machine) != win::err::SUCCESS)
        return 1;
    PurgeRig<ConsoleMessageService> rig;
    auto& [messages, errors, run, keywords, general, folders, report] = rig;
    PurgeContext context{report, run, errors, keywords, folders, general, messages, machine.get()};
    PluginRunContext plugin;
    plugin.lines = {"DELFOLD=C:\\OURS\\[*.*]DS"};
    long long failures = 0;
    plugin.output = [&failures](const QString&) { ++failures; };

    ::sync();
    auto start = std::chrono::steady_clock::now();
    RunPluginLines(context, plugin);
    const double ours = secondsSince(start);
    failures -= 1; // the echoed command line

    ::sync();
    start = std::chrono::steady_clock::now();
    const int status = std::system(("find '" + dir + "/drive_c/find' -mindepth 1 -delete").c_str());
    const double find = secondsSince(start);

    const long long folderCount = files / 100 + files / 1000;
    std::printf("%d files in %lld folders\n", files, folderCount);
    std::printf("DELFOLD=...[*.*]DS:     %7.3f s  (%lld entries counted, %lld failed, %lld left)\n", ours,
                plugin.PluginEntryCount, failures, entries(dir + "/drive_c/ours"));
    std::printf("find -mindepth 1 -delete: %7.3f s  (status %d, %lld left)\n", find, status,
                entries(dir + "/drive_c/find"));
    std::printf("  ratio ours / find:    %7.2f\n", ours / find);
    fs::remove_all(dir);
    return 0;
}
